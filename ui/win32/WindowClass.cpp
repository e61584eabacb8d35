#include "ui/win32/WindowClass.h"

namespace fd {

void registerWindowClass(const wchar_t* name, WNDPROC procedure, HICON icon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = name;
  windowClass.hIcon = icon;
  RegisterClassExW(&windowClass);
}

}  // namespace fd
