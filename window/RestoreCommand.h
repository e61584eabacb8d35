#pragma once

#include <string>

#include "window/ConsoleCommand.h"

namespace fd {

// The restore (/restaurar[:stamp]): puts back the files of a backup, the latest for an empty
// stamp, with the mail program stopped around it as in a run.
class RestoreCommand : public ConsoleCommand {
 public:
  RestoreCommand(std::string stamp, frmActualiza1& form, ConsoleDesktop& desktop, std::ostream& out)
      : ConsoleCommand(form, desktop, out), stamp_(std::move(stamp)) {}

  Outcome execute() override;

 private:
  const std::string stamp_;
};

}  // namespace fd
