#include "ui/win32/Win32Desktop.h"

#include "platform/win32/Win32Text.h"

namespace fd {

void Win32Desktop::doEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The main loop still has to see it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int Win32Desktop::msgBox(const std::string& prompt, int style, const std::string& title) {
  // A waiting pointer over a question would look as if the program were not listening.
  if (busy_)
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  const int answer = MessageBoxW(parent_, widen(prompt).c_str(),
                                 widen(title.empty() ? kProgramTitle : title).c_str(),
                                 static_cast<UINT>(style) | MB_SETFOREGROUND);
  if (busy_)
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return answer == IDYES ? msgbox::kYes : answer == IDNO ? msgbox::kNo : msgbox::kOk;
}

void Win32Desktop::setBusyPointer(bool busy) {
  busy_ = busy;
  // The window keeps it through WM_SETCURSOR; this shows it at once.
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

}  // namespace fd
