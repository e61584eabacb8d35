#include "window/ConsoleCommand.h"

#include <exception>
#include <ostream>

#include "platform/AppError.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "window/ConsoleDesktop.h"
#include "window/DryRunCommand.h"
#include "window/ProgramArguments.h"
#include "window/RestoreCommand.h"
#include "window/UnattendedCommand.h"
#include "window/frmActualiza1.h"

namespace fd {

ConsoleCommand::ConsoleCommand(frmActualiza1& form, ConsoleDesktop& desktop, std::ostream& out)
    : form_(form), desktop_(desktop), out_(out) {
  form_.txtEstado.addListener([this] {
    if (!form_.txtEstado.Text().empty())
      out_ << form_.txtEstado.Text() << std::endl;
  });
  desktop.setLog(&form_.log);
}

ConsoleCommand::~ConsoleCommand() = default;

std::unique_ptr<ConsoleCommand> ConsoleCommand::make(const ProgramArguments& arguments,
                                                     frmActualiza1& form, ConsoleDesktop& desktop,
                                                     std::ostream& out) {
  switch (arguments.mode) {
    case ProgramArguments::Mode::Restore:
      return std::make_unique<RestoreCommand>(arguments.stamp, form, desktop, out);
    case ProgramArguments::Mode::DryRun:
      return std::make_unique<DryRunCommand>(arguments, form, desktop, out);
    case ProgramArguments::Mode::Unattended:
      return std::make_unique<UnattendedCommand>(arguments, form, desktop, out);
    case ProgramArguments::Mode::Window:
    case ProgramArguments::Mode::Usage:
      break;
  }
  return nullptr;
}

int ConsoleCommand::run(std::ostream& err) {
  Outcome outcome;
  try {
    outcome = execute();
  } catch (const std::exception& error) {
    // A failure no stage trapped still ends with its verdict, never with an abort.
    outcome = failed(oneLine(error.what()));
  }
  if (outcome.exitCode == kBadCommandLine) {
    logError(outcome.verdict);
    err << outcome.verdict << std::endl;
  } else {
    out_ << outcome.verdict << std::endl;
  }
  return outcome.exitCode;
}

ConsoleCommand::Outcome ConsoleCommand::failed(const std::string& reason) {
  logError(reason);
  return {kFailed, "ERROR: " + reason};
}

void ConsoleCommand::logError(const std::string& reason) {
  if (form_.log.path().empty())
    return;
  try {
    form_.log.EscribirLog(" ERROR " + reason);
  } catch (const AppError&) {
    // The reason still ends the output.
  }
}

void ConsoleCommand::sendChildrenOutputToLog() {
  form_.services.processes.sendOutputTo(form_.log.path());
}

void ConsoleCommand::say(const std::string& line) {
  out_ << line << std::endl;
  form_.log.EscribirLog(" " + line);
}

std::string ConsoleCommand::oneLine(const std::string& text) {
  return replaceAll(replaceAll(text, "\r\n", " "), "\n", " ");
}

}  // namespace fd
