#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QTabWidget;

namespace fd {

class CheckBox;
class Grid;
class GridView;
class TextBox;
class frmActualiza1;
struct ControlDescription;

// The updater's window: standard widgets mirroring the control models of frmActualiza1 both
// ways, and the window's events passed on to it. Every widget is named after its control.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(frmActualiza1& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The captions of the four pages, spaces included.
  static const char* const kTabCaptions[4];

  // Start-up, run like every other event of the window: false when the program must end.
  bool load();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A new tab page with its caption; the page is filled through the layout returned.
  QVBoxLayout* addPage(int tab);
  void buildGeneral(QVBoxLayout* layout);
  void buildDescomprimir(QVBoxLayout* layout);
  void buildActualizar(QVBoxLayout* layout);
  void buildResultados(QVBoxLayout* layout);

  QLabel* label(const char* text, QWidget* buddy = nullptr);
  QLabel* sectionBar(const char* text);
  // A line edit mirroring a text box; validate runs each time the user leaves it.
  QLineEdit* textBox(TextBox& box, const char* name, std::function<void()> validate = {});
  QCheckBox* checkBox(CheckBox& box, const char* name, const char* text);
  // A button whose availability the window's description gives.
  QPushButton* button(const char* name, const char* text, std::function<void()> click);
  GridView* gridView(Grid& grid, const char* name, int rowHeightTwips);
  // A grid of the usual row height under its caption, taking stretch of the page's height.
  void addCaptionedGrid(QVBoxLayout* layout, const char* caption, Grid& grid, const char* name,
                        int stretch);

  // Runs one of the window's events; a failure no trap caught is shown, not lost. False when
  // it failed.
  bool run(const std::function<void()>& event);
  // Each described control's widget, enabled while the user may act on it.
  void showAvailability();

  frmActualiza1& form_;
  QTabWidget* tabs_;
  std::map<QObject*, std::function<void()>> validations_;
  std::vector<std::pair<QPointer<QWidget>, const ControlDescription*>> described_;
};

}  // namespace fd
