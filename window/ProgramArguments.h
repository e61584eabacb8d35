#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fd {

// What the program's command line asks for. Without arguments the window opens; the switches
// run the updater without it. Switches are case-insensitive and begin with "/" or "-".
struct ProgramArguments {
  enum class Mode { Window, Usage, Unattended, DryRun, Restore };

  Mode mode = Mode::Window;
  std::vector<std::string> databases;  // /bases:A,B; empty: those start-up ticks
  bool noFiles = false;
  bool noCommandFiles = false;
  bool noScripts = false;
  bool continueWithUsers = false;
  std::string stamp;  // /restaurar:<stamp>; empty: the latest backup
  std::string error;  // a bad command line: why, in Spanish (mode is Usage then)

  static ProgramArguments parse(const std::vector<std::string>& args);
  static const char* const kUsage;
};

}  // namespace fd
