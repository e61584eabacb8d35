#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Desktop.h"

namespace fd {

// One of the program's message boxes: the icon and buttons a msgBox style asks for, the buttons
// named in Spanish whether or not Qt's translations are installed, the program's title when none
// is given. Returns msgbox::kOk, kYes or kNo.
int showMessageBox(QWidget* parent, const std::string& prompt, int style, const std::string& title);

// The desktop services over Qt: the event loop, QMessageBox and the override cursor.
class QtDesktop : public Desktop {
 public:
  QtDesktop() = default;
  ~QtDesktop() override;

  // The window that message boxes belong to (none: they are top-level).
  void setParentWindow(QWidget* window) { parent_ = window; }

  void doEvents() override;
  int msgBox(const std::string& prompt, int style, const std::string& title) override;
  void setBusyPointer(bool busy) override;

 private:
  QPointer<QWidget> parent_;
  // Whether this desktop's wait cursor is on the override stack; it is pushed at most once.
  bool busy_ = false;
};

}  // namespace fd
