// The actualizador program with the Qt window: the host, and the window the program's start opens
// when the command line asks for it (only then is there a QApplication, so the modes without a
// window need no display).
#include <QApplication>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/Host.h"
#include "ui/qt/EndSignals.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/QtDesktop.h"
#include "ui/qt/SpanishTranslations.h"
#include "window/ProgramStart.h"

namespace {

class QtView : public fd::ProgramWindow::View {
 public:
  explicit QtView(fd::frmActualiza1& form) : window(form) {}
  bool load() override { return window.load(); }

  fd::MainWindow window;
};

// Qt takes its own options (-platform, -style...) from the command line.
class QtWindow : public fd::ProgramWindow {
 public:
  QtWindow(int& argc, char** argv, fd::Host& host) : app_(argc, argv), host_(host) {
    fd::loadSpanishTranslations(app_);
  }

  fd::Desktop& desktop() override { return desktop_; }

  std::unique_ptr<View> view(fd::frmActualiza1& form) override {
    auto view = std::make_unique<QtView>(form);
    desktop_.setParentWindow(&view->window);
    fd::closeOnEndSignals(view->window, host_);
    return view;
  }

  int exec() override { return app_.exec(); }

 private:
  QApplication app_;
  fd::QtDesktop desktop_;
  fd::Host& host_;
};

}  // namespace

int main(int argc, char* argv[]) {
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  return fd::ProgramStart(*host, std::cout, std::cerr)
      .run(std::vector<std::string>(argv + 1, argv + argc),
           [&] { return std::make_unique<QtWindow>(argc, argv, *host); });
}
