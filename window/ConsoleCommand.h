#pragma once

#include <iosfwd>
#include <memory>
#include <string>

namespace fd {

class ConsoleDesktop;
class frmActualiza1;
struct ProgramArguments;

// A mode of the program without its window (the unattended run, the dry run, the restore): the
// window's logic led by the command line. Status texts go to the output stream as they change;
// message boxes go through the console desktop. Each ends with an explicit outcome: the exit code
// and the verdict that is the last line.
class ConsoleCommand {
 public:
  static constexpr int kDone = 0;
  static constexpr int kFailed = 1;
  static constexpr int kBadCommandLine = 2;

  struct Outcome {
    int exitCode = kDone;
    // The last line: on the output stream; on the error stream for a command line that names
    // what is not there (nothing was done then). Either way in the log once it is open.
    std::string verdict;
  };

  virtual ~ConsoleCommand();
  ConsoleCommand(const ConsoleCommand&) = delete;
  ConsoleCommand& operator=(const ConsoleCommand&) = delete;

  virtual Outcome execute() = 0;
  // Executes the command and ends with its verdict; the exit code.
  int run(std::ostream& err);

  // The command that arguments name: the unattended run, the dry run or the restore (none for
  // the window or the usage).
  static std::unique_ptr<ConsoleCommand> make(const ProgramArguments& arguments,
                                              frmActualiza1& form, ConsoleDesktop& desktop,
                                              std::ostream& out);

 protected:
  ConsoleCommand(frmActualiza1& form, ConsoleDesktop& desktop, std::ostream& out);

  // Ends with code 1: the reason in the log (once it is open) and the verdict "ERROR: reason".
  Outcome failed(const std::string& reason);
  // Once the log is open: what the started programs print goes into it, so that nothing they
  // print late (the mail task's start does not wait) follows the verdict.
  void sendChildrenOutputToLog();
  // The reason in the log, once it is open.
  void logError(const std::string& reason);
  // A line on the output and in the log.
  void say(const std::string& line);
  // A message as one line.
  static std::string oneLine(const std::string& text);

  frmActualiza1& form_;
  ConsoleDesktop& desktop_;
  std::ostream& out_;
};

}  // namespace fd
