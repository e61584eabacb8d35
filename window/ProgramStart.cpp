#include "window/ProgramStart.h"

#include <ostream>

#include "platform/Host.h"
#include "window/ConsoleCommand.h"
#include "window/ConsoleDesktop.h"
#include "window/HostServices.h"
#include "window/ProgramArguments.h"
#include "window/frmActualiza1.h"

namespace fd {

ProgramStart::ProgramStart(Host& host, std::ostream& out, std::ostream& err)
    : host_(host), out_(out), err_(err) {}

int ProgramStart::run(const std::vector<std::string>& args, const WindowMaker& makeWindow) {
  const ProgramArguments arguments = ProgramArguments::parse(args);
  if (arguments.mode == ProgramArguments::Mode::Window)
    return window(makeWindow);
  host_.useStartingConsole();
  if (arguments.mode == ProgramArguments::Mode::Usage)
    return usage(arguments);
  return withoutWindow(arguments);
}

int ProgramStart::usage(const ProgramArguments& arguments) {
  if (arguments.error.empty()) {
    out_ << ProgramArguments::kUsage << std::flush;
    return ConsoleCommand::kDone;
  }
  err_ << arguments.error << "\n\n" << ProgramArguments::kUsage << std::flush;
  return ConsoleCommand::kBadCommandLine;
}

int ProgramStart::withoutWindow(const ProgramArguments& arguments) {
  ConsoleDesktop desktop(err_);
  frmActualiza1 form(hostServices(host_, desktop));
  return ConsoleCommand::make(arguments, form, desktop, out_)->run(err_);
}

int ProgramStart::window(const WindowMaker& makeWindow) {
  const std::unique_ptr<ProgramWindow> window = makeWindow();
  frmActualiza1 form(hostServices(host_, window->desktop()));
  const std::unique_ptr<ProgramWindow::View> view = window->view(form);
  if (!view->load())
    return ConsoleCommand::kFailed;
  return window->exec();
}

}  // namespace fd
