#include <QApplication>
#include <iostream>
#include <vector>

#include "platform/Host.h"
#include "ui/EndSignals.h"
#include "ui/HostServices.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "ui/SpanishTranslations.h"
#include "window/ConsoleDesktop.h"
#include "window/ConsoleRun.h"
#include "window/ProgramArguments.h"
#include "window/frmActualiza1.h"

namespace {

// A command line with switches runs without a window: no QApplication, so no display is needed.
int runWithoutWindow(const fd::ProgramArguments& arguments) {
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  host->useStartingConsole();
  using Mode = fd::ProgramArguments::Mode;
  if (arguments.mode == Mode::Usage) {
    if (arguments.error.empty()) {
      std::cout << fd::ProgramArguments::kUsage;
      return fd::ConsoleRun::kDone;
    }
    std::cerr << arguments.error << "\n\n" << fd::ProgramArguments::kUsage;
    return fd::ConsoleRun::kBadCommandLine;
  }
  fd::ConsoleDesktop desktop(std::cerr, arguments.continueWithUsers);
  fd::frmActualiza1 form(fd::hostServices(*host, desktop));
  fd::ConsoleRun run(form, desktop, std::cout, std::cerr);
  switch (arguments.mode) {
    case Mode::Restore:
      return run.restore(arguments.stamp);
    case Mode::DryRun:
      return run.dryRun(arguments);
    default:
      return run.unattended(arguments);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const fd::ProgramArguments arguments =
      fd::ProgramArguments::parse(std::vector<std::string>(argv + 1, argv + argc));
  if (arguments.mode != fd::ProgramArguments::Mode::Window)
    return runWithoutWindow(arguments);

  QApplication app(argc, argv);
  fd::loadSpanishTranslations(app);
  const std::unique_ptr<fd::Host> host = fd::makeHost();
  fd::QtDesktop desktop;
  fd::frmActualiza1 form(fd::hostServices(*host, desktop));
  fd::MainWindow window(form);
  desktop.setParentWindow(&window);
  fd::closeOnEndSignals(window, *host);

  if (!window.load())
    return 1;
  return app.exec();
}
