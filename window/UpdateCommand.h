#pragma once

#include <optional>
#include <string>

#include "update/UpdateRun.h"
#include "window/ConsoleCommand.h"
#include "window/ProgramArguments.h"

namespace fd {

// What the unattended run and the dry run do first, as the technician would in the window: the
// start-up, the databases the command line names, the extraction, and the stages' check boxes.
class UpdateCommand : public ConsoleCommand {
 public:
  UpdateCommand(ProgramArguments arguments, frmActualiza1& form, ConsoleDesktop& desktop,
                std::ostream& out);

 protected:
  // How the command ends when that did not go well; nothing when the update can go on.
  std::optional<Outcome> prepare();

  // The reason a run that went on without the packages its extraction failed ends with; nothing
  // when every package was extracted.
  std::optional<std::string> failedPackages() const;

  // What the command line tells the run itself.
  UpdateRunOptions runOptions() const;

  const ProgramArguments arguments_;

 private:
  // Ticks the databases the command line names; a verdict when one is not listed, cannot be
  // updated, or the server did not answer.
  std::optional<Outcome> chooseDatabases();
  void tickStages();
  bool anyDatabaseTicked() const;

  // The server's refusal at start-up, one line; empty when it listed its databases.
  std::string connectionFailure_;
};

}  // namespace fd
