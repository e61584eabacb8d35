// The actualizador program on Windows: the host, and the native window the program's start opens
// when the command line asks for it.
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
  // Screen readers reach the controls' accessible objects through COM.
  Win32Window() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

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

// The wide entry point (-municode).
int wmain(int argc, wchar_t* argv[]) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(fd::narrow(argv[i]));
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  return fd::ProgramStart(*host, std::cout, std::cerr).run(args, [] {
    return std::make_unique<Win32Window>();
  });
}
