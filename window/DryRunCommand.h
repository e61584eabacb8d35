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
  // How the dry run ends where the run would not go on (no query tool, a database it cannot
  // open, other users connected); nothing when every script was listed.
  std::optional<Outcome> describeScripts();
  void closeConnection();
};

}  // namespace fd
