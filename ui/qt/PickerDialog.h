#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;

namespace fd {

class frmPath;

// The folder picker "Seleccionar carpeta": a drive list over frmPath::Drives() and the current
// folder's sub-folders, ".." first to go up. Opening a folder moves the picker there; F12 or the
// close box closes it. There is no OK or Cancel: the picker reports where it stands.
class PickerDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PickerDialog(frmPath& picker, QWidget* parent = nullptr);

  // Opens an entry of the folder list: a sub-folder, or the parent for "..".
  void openFolder(const QString& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void chooseDrive(int index);
  void refresh();

  frmPath& picker_;
  QComboBox* drives_;
  QLabel* folder_;
  QListWidget* folders_;
};

}  // namespace fd
