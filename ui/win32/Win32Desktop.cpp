#include "ui/win32/Win32Desktop.h"

#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

// A line on the program's standard error, when it has one: the console's own text, or UTF-8 where
// it was redirected to a file or a pipe.
void writeStandardError(const std::string& text) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(error, &mode)) {
    const std::wstring line = widen(text) + L"\r\n";
    WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return;
  }
  const std::string line = text + "\r\n";
  WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

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
  // A critical message also goes to standard error, for whoever started the program with it
  // redirected, as the Qt build does.
  if ((style & 0x70) == msgbox::kCritical)
    writeStandardError(prompt);
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
