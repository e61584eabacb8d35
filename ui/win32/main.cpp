// The actualizador program on Windows: the host, and the native window the program's start opens
// when the command line asks for it. Built twice from this file: actualizador.exe, a window
// program (no console window when double-clicked), and its console twin actualizador.com, which
// cmd.exe runs for "actualizador" and waits for (see README, "The switches on Windows").
#include <objbase.h>
#include <windows.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "platform/win32/Win32Text.h"
#include "ui/win32/Win32Desktop.h"
#include "ui/win32/Win32MainWindow.h"
#include "window/ProgramStart.h"

namespace {

class Win32View : public fd::ProgramWindow::View {
 public:
  Win32View(fd::frmActualiza1& form, fd::Win32Desktop& desktop) : window(form, desktop) {}
  bool load() override { return window.load(); }

  fd::Win32MainWindow window;
};

class Win32Window : public fd::ProgramWindow {
 public:
  Win32Window() {
    // The console twin opened from Explorer has a console of its own, which the window does not
    // need; a console shared with cmd.exe stays.
    DWORD processes[2];
    if (GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1)
      FreeConsole();
    // Screen readers reach the controls' accessible objects through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }

  fd::Desktop& desktop() override { return desktop_; }

  std::unique_ptr<View> view(fd::frmActualiza1& form) override {
    return std::make_unique<Win32View>(form, desktop_);
  }

  int exec() override {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return 0;
  }

 private:
  fd::Win32Desktop desktop_;
};

}  // namespace

// The wide entry point of both programs (-municode), whatever their subsystem.
int wmain(int argc, wchar_t* argv[]) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(fd::narrow(argv[i]));
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  return fd::ProgramStart(*host, std::cout, std::cerr).run(args, [] {
    return std::make_unique<Win32Window>();
  });
}
