#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "platform/Desktop.h"

namespace fd {

class UpdateLog;

// The desktop of a run without a window: every message box becomes a line on the error stream
// and in the update log, and is answered at once: OK, or No to a yes/no question, the safe answer
// (what the command line allows is given to the run as its options, never as an answer here).
class ConsoleDesktop : public Desktop {
 public:
  explicit ConsoleDesktop(std::ostream& err);

  // The log the boxes are also written to, once it exists.
  void setLog(UpdateLog* log) { log_ = log; }

  void doEvents() override {}
  int msgBox(const std::string& prompt, int style, const std::string& title) override;
  void setBusyPointer(bool) override {}

  // How many messages were shown so far, and the last one's text on one line.
  std::size_t shown() const { return shown_; }
  const std::string& lastPrompt() const { return lastPrompt_; }

 private:
  std::ostream& err_;
  UpdateLog* log_ = nullptr;
  std::size_t shown_ = 0;
  std::string lastPrompt_;
};

}  // namespace fd
