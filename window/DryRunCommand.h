#pragma once

#include "window/UpdateCommand.h"

namespace fd {

// The dry run (/simular): the start-up and the extraction, then what the update would do, in its
// order, changing nothing else.
class DryRunCommand : public UpdateCommand {
 public:
  using UpdateCommand::UpdateCommand;

  Outcome execute() override;

 private:
  void describeFileStage();
  // False when the query tool is not found.
  bool describeScripts();
};

}  // namespace fd
