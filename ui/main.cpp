#include <QApplication>
#include <cstdio>
#include <iostream>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
  // A window program has no console of its own; it writes to the one it was started from.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    SetConsoleOutputCP(CP_UTF8);
  }
#endif
  using Mode = fd::ProgramArguments::Mode;
  if (arguments.mode == Mode::Usage) {
    if (arguments.error.empty()) {
      std::cout << fd::ProgramArguments::kUsage;
      return fd::ConsoleRun::kDone;
    }
    std::cerr << arguments.error << "\n\n" << fd::ProgramArguments::kUsage;
    return fd::ConsoleRun::kBadCommandLine;
  }
  fd::HostServices host;
  fd::ConsoleDesktop desktop(std::cerr, arguments.continueWithUsers);
  fd::frmActualiza1 form(host.services(desktop));
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
  fd::HostServices host;
  fd::QtDesktop desktop;
  fd::frmActualiza1 form(host.services(desktop));
  fd::MainWindow window(form);
  desktop.setParentWindow(&window);

  if (!form.Form_Load())
    return 1;
  return app.exec();
}
