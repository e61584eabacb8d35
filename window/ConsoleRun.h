#pragma once

#include <iosfwd>
#include <string>

#include "window/ProgramArguments.h"

namespace fd {

class ConsoleDesktop;
class frmActualiza1;

// The updater without its window: the same start-up, extraction and update run the technician
// drives, led by the command line. Status texts go to the output stream as they change; message
// boxes go through the console desktop. Each entry returns the program's exit code: 0 done, 1
// ended otherwise (the reason on the last line), 2 a command line that names nothing.
class ConsoleRun {
 public:
  static constexpr int kDone = 0;
  static constexpr int kFailed = 1;
  static constexpr int kBadCommandLine = 2;

  ConsoleRun(frmActualiza1& form, ConsoleDesktop& desktop, std::ostream& out, std::ostream& err);

  int unattended(const ProgramArguments& arguments);
  // Start-up and extraction, then what the run would do, changing nothing else.
  int dryRun(const ProgramArguments& arguments);
  // Puts back the files of a backup (the latest for an empty stamp).
  int restore(const std::string& stamp);

 private:
  // Start-up, the database choice and the extraction; an exit code when they did not go well.
  int prepare(const ProgramArguments& arguments);
  bool chooseDatabases(const ProgramArguments& arguments);
  void tickStages(const ProgramArguments& arguments);
  bool anyDatabaseTicked() const;
  void describeFileStage();
  // False when the query tool is not found.
  bool describeScripts();
  int fail(const std::string& reason);
  void say(const std::string& line);

  frmActualiza1& form_;
  ConsoleDesktop& desktop_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace fd
