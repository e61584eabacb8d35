#include "ui/qt/PickerDialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/qt/GridModel.h"
#include "window/WindowLayout.h"
#include "window/frmPath.h"

namespace fd {

namespace {

// The key code the picker's logic knows for a Qt key: F1 is 112 ... F12 is 123.
int keyCodeOf(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return 112 + (qtKey - Qt::Key_F1);
  return 0;
}

}  // namespace

PickerDialog::PickerDialog(frmPath& picker, QWidget* parent) : QDialog(parent), picker_(picker) {
  setWindowTitle(QString::fromUtf8(frmPath::kCaption));
  setObjectName("frmPath");
  setAccessibleName(QString::fromUtf8(frmPath::kCaption));
  setFixedSize(twipsToPixels(layout::kPickerWidthTwips), twipsToPixels(layout::kPickerHeightTwips));

  drives_ = new QComboBox(this);
  drives_->setObjectName("Drive1");
  drives_->setAccessibleName("Drive1");
  for (const std::string& drive : picker_.Drives())
    drives_->addItem(QString::fromStdString(drive));

  folder_ = new QLabel(this);
  folder_->setObjectName("lblRuta");
  folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  folders_ = new QListWidget(this);
  folders_->setObjectName("Dir1");
  folders_->setAccessibleName("Dir1");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  layout->addWidget(drives_);
  layout->addWidget(folder_);
  layout->addWidget(folders_, 1);

  connect(drives_, &QComboBox::activated, this, &PickerDialog::chooseDrive);
  connect(folders_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { openFolder(item->text()); });
  refresh();
  folders_->setFocus();
}

void PickerDialog::chooseDrive(int index) {
  picker_.chooseDrive(drives_->itemText(index).toStdString());
  refresh();
}

void PickerDialog::openFolder(const QString& name) {
  picker_.openEntry(name.toStdString());
  refresh();
}

void PickerDialog::refresh() {
  {
    const QSignalBlocker block(drives_);
    drives_->setCurrentIndex(drives_->findText(QString::fromStdString(picker_.Drive())));
  }
  const QString path = QString::fromStdString(picker_.Path());
  folder_->setText(path);
  folder_->setAccessibleName(path);
  folders_->clear();
  for (const std::string& entry : picker_.Entries()) {
    const auto icon = entry == frmPath::kUp ? QStyle::SP_FileDialogToParent : QStyle::SP_DirIcon;
    folders_->addItem(
        new QListWidgetItem(style()->standardIcon(icon), QString::fromStdString(entry)));
  }
  if (folders_->count() > 0)
    folders_->setCurrentRow(0);
}

void PickerDialog::keyPressEvent(QKeyEvent* event) {
  if (picker_.Form_KeyDown(keyCodeOf(event->key()))) {
    done(QDialog::Accepted);
    return;
  }
  // Escape and Enter do not close the picker; only F12 and the close box do.
  event->accept();
}

}  // namespace fd
