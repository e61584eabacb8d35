#pragma once

#include "window/UpdateCommand.h"

namespace fd {

// The unattended run (/desatendido): the whole update the technician would run in the window,
// ending 0 only when it showed its final message with no command file or script in red.
class UnattendedCommand : public UpdateCommand {
 public:
  using UpdateCommand::UpdateCommand;

  Outcome execute() override;
};

}  // namespace fd
