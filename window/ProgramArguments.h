#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fd {

// What the program's command line asks for. Without switches the window opens; the switches run
// the updater without it. Switches are case-insensitive and begin with "/" or "-". Besides them:
// - the window toolkit's own options (Qt's "-platform offscreen", "-style=fusion"...), written
//   as the toolkit writes them, with their values, are left to the toolkit;
// - any other argument that is not a switch (a file dropped on the program, whose path Windows
//   or the desktop passes; a POSIX path starts with "/" but holds another "/") is ignored by the
//   window, and is an error beside a switch, which it could only have been meant to qualify.
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
