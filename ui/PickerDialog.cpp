#include "ui/PickerDialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/AppError.h"
#include "ui/GridModel.h"
#include "window/frmPath.h"

namespace fd {

namespace {

constexpr int kWidthTwips = 4740;
constexpr int kHeightTwips = 4455;

// The key code the picker's logic knows for a Qt key: F1 is 112 ... F12 is 123.
int keyCodeOf(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return 112 + (qtKey - Qt::Key_F1);
  return 0;
}

std::string parentOf(const std::string& path) {
  // "C:\a\b" goes to "C:\a"; "C:\a" to the drive root "C:\".
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos || slash + 1 >= path.size())
    return path;
  return slash <= 2 ? path.substr(0, slash + 1) : path.substr(0, slash);
}

}  // namespace

PickerDialog::PickerDialog(frmPath& picker, QWidget* parent) : QDialog(parent), picker_(picker) {
  setWindowTitle(QString::fromUtf8(frmPath::kCaption));
  setObjectName("frmPath");
  setAccessibleName(QString::fromUtf8(frmPath::kCaption));
  setFixedSize(twipsToPixels(kWidthTwips), twipsToPixels(kHeightTwips));

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
  try {
    picker_.setDrive(drives_->itemText(index).toStdString());
  } catch (const AppError&) {
    // A drive that cannot be read leaves the lists where they stood.
  }
  refresh();
}

void PickerDialog::openFolder(const QString& name) {
  const std::string current = picker_.Path();
  std::string target;
  if (name == kUp) {
    target = parentOf(current);
  } else {
    target = current + (current.ends_with('\\') ? "" : "\\") + name.toStdString();
  }
  try {
    picker_.setPath(target);
  } catch (const AppError&) {
    // The folder went away since it was listed; the list is read again below.
  }
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
  const QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
  if (parentOf(picker_.Path()) != picker_.Path()) {
    folders_->addItem(new QListWidgetItem(style()->standardIcon(QStyle::SP_FileDialogToParent),
                                          QString::fromUtf8(kUp)));
  }
  std::vector<std::string> names;
  try {
    names = picker_.SubFolders();
  } catch (const AppError&) {
    // An unreadable folder shows no sub-folders.
  }
  for (const std::string& name : names) {
    folders_->addItem(new QListWidgetItem(icon, QString::fromStdString(name)));
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
