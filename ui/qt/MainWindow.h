#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <string_view>
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
class GridView;
class TextBox;
class frmActualiza1;
struct ControlDescription;
namespace layout {
struct GridPlace;
}

// The updater's window: standard widgets mirroring the control models of frmActualiza1 both
// ways, and the window's events passed on to it. Every widget is named after its control.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(frmActualiza1& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up, run like every other event of the window: false when the program must end.
  bool load();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A new tab page with its caption; the page is filled through the layout returned.
  QVBoxLayout* addPage(int tab);
  void buildGeneral(QVBoxLayout* page);
  // A page of captioned grids over a row of check boxes and buttons.
  void buildPage(int tab, QVBoxLayout* page);

  QLabel* label(std::string_view text, QWidget* buddy = nullptr);
  QLabel* sectionBar(std::string_view text);
  // A line edit mirroring a text box; validate runs each time the user leaves it.
  QLineEdit* textBox(TextBox& box, std::string_view name, std::function<void()> validate = {});
  QCheckBox* checkBox(CheckBox& box, std::string_view name, std::string_view text);
  // A button whose availability the window's description gives.
  QPushButton* button(std::string_view name, std::string_view text, std::function<void()> click);
  GridView* gridView(const layout::GridPlace& place);

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
