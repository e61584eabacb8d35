#pragma once

#include <windows.h>

#include "platform/Desktop.h"

namespace fd {

// The desktop services over Win32: the message loop, MessageBoxW (whose styles and answers are
// the msgbox constants themselves, and whose buttons speak the system's language) and the wait
// cursor.
class Win32Desktop : public Desktop {
 public:
  // The window that message boxes belong to (none: they are top-level).
  void setParentWindow(HWND window) { parent_ = window; }
  bool busy() const { return busy_; }

  void doEvents() override;
  int msgBox(const std::string& prompt, int style, const std::string& title) override;
  void setBusyPointer(bool busy) override;

 private:
  HWND parent_ = nullptr;
  bool busy_ = false;
};

}  // namespace fd
