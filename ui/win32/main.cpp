// The actualizador program on Windows: the native window over the host's services.
#include <objbase.h>
#include <windows.h>

#include "platform/Host.h"
#include "ui/HostServices.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32MainWindow.h"
#include "window/frmActualiza1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Screen readers reach the controls' accessible objects through COM.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  fd::Win32Desktop desktop;
  fd::frmActualiza1 form(fd::hostServices(*host, desktop));
  fd::Win32MainWindow window(form, desktop);

  if (!window.load())
    return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
