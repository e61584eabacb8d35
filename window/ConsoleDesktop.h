#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

#include "platform/Desktop.h"

namespace fd {

class UpdateLog;

// The desktop of a run without a window: every message box becomes a line on the error stream
// and in the update log, and is answered at once: OK, or for a yes/no question (other users
// connected) the answer given on the command line.
class ConsoleDesktop : public Desktop {
 public:
  ConsoleDesktop(std::ostream& err, bool answerYes);

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
  bool answerYes_;
  UpdateLog* log_ = nullptr;
  std::size_t shown_ = 0;
  std::string lastPrompt_;
};

}  // namespace fd
