#include "ui/qt/QtDesktop.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>
#include <QPushButton>

namespace fd {

namespace {

// The buttons' texts, as Qt's Spanish translation has them ("&" marks the access key).
constexpr const char* kYesText = "&Sí";
constexpr const char* kNoText = "&No";
constexpr const char* kOkText = "Aceptar";

QMessageBox::Icon iconOf(int style) {
  switch (style & 0x70) {
    case msgbox::kCritical:
      return QMessageBox::Critical;
    case msgbox::kQuestion:
      return QMessageBox::Question;
    case msgbox::kExclamation:
      return QMessageBox::Warning;
    case msgbox::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

QtDesktop::~QtDesktop() {
  if (QCoreApplication::instance() != nullptr)
    setBusyPointer(false);
}

void QtDesktop::doEvents() {
  QCoreApplication::processEvents();
}

int showMessageBox(QWidget* parent, const std::string& prompt, int style,
                   const std::string& title) {
  QMessageBox box(parent);
  box.setIcon(iconOf(style));
  box.setWindowTitle(QString::fromStdString(title.empty() ? kProgramTitle : title));
  box.setText(QString::fromStdString(prompt));
  const bool yesNo = (style & 0x0F) == msgbox::kYesNo;
  if (yesNo) {
    QPushButton* yes = box.addButton(QMessageBox::Yes);
    QPushButton* no = box.addButton(QMessageBox::No);
    yes->setText(QString::fromUtf8(kYesText));
    no->setText(QString::fromUtf8(kNoText));
    box.setDefaultButton((style & msgbox::kDefaultButton2) != 0 ? no : yes);
    box.setEscapeButton(no);
  } else {
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    ok->setText(QString::fromUtf8(kOkText));
    box.setDefaultButton(ok);
  }
  box.exec();
  if (!yesNo)
    return msgbox::kOk;
  return box.clickedButton() == box.button(QMessageBox::Yes) ? msgbox::kYes : msgbox::kNo;
}

int QtDesktop::msgBox(const std::string& prompt, int style, const std::string& title) {
  // A critical message is also written to standard error, for whoever started the program from
  // a shell.
  if ((style & 0x70) == msgbox::kCritical)
    qCritical().noquote() << QString::fromStdString(prompt);
  // A waiting pointer over a question would look as if the program were not listening.
  const bool wasBusy = busy_;
  if (wasBusy)
    QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = showMessageBox(parent_, prompt, style, title);
  if (wasBusy)
    QApplication::restoreOverrideCursor();
  return answer;
}

void QtDesktop::setBusyPointer(bool busy) {
  if (busy == busy_)
    return;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  busy_ = busy;
}

}  // namespace fd
