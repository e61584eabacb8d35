#pragma once

#include "window/UpdateCommand.h"

namespace fd {

// The dry run (/simular): the start-up and the extraction, then what the update would do, in its
// order, changing nothing else.
class DryRunCommand : public UpdateCommand {
 public:
  DryRunCommand(ProgramArguments arguments, frmActualiza1& form, ConsoleDesktop& desktop,
                std::ostream& out)
      : UpdateCommand(std::move(arguments), form, desktop, out) {}

  Outcome execute() override;

 private:
  void describeFileStage();
  // False when the query tool is not found.
  bool describeScripts();
};

}  // namespace fd
