#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace fd {

Win32Clock::Win32Clock() : started_(GetTickCount64()) {}

LocalDateTime Win32Clock::now() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

std::chrono::milliseconds Win32Clock::elapsed() {
  return std::chrono::milliseconds(GetTickCount64() - started_);
}

void Win32Clock::sleep(std::chrono::milliseconds duration) {
  Sleep(static_cast<DWORD>(duration.count()));
}

}  // namespace fd
