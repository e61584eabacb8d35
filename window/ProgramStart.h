#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "window/ProgramWindow.h"

namespace fd {

class Host;
struct ProgramArguments;

// The program's start, the same on every host: reads the command line and runs what it asks
// for, the window (which the host's main makes through makeWindow) or a mode without it (the
// usage, the unattended run, the dry run, the restore), which first has the host send its
// standard streams to the console it was started from.
class ProgramStart {
 public:
  using WindowMaker = std::function<std::unique_ptr<ProgramWindow>()>;

  // out and err: the standard streams, or a test's.
  ProgramStart(Host& host, std::ostream& out, std::ostream& err);

  // The program's exit code.
  int run(const std::vector<std::string>& args, const WindowMaker& makeWindow);

 private:
  int usage(const ProgramArguments& arguments);
  int withoutWindow(const ProgramArguments& arguments);
  int window(const WindowMaker& makeWindow);

  Host& host_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace fd
