#include "window/ConsoleDesktop.h"

#include <ostream>

#include "platform/AppError.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"

namespace fd {

ConsoleDesktop::ConsoleDesktop(std::ostream& err) : err_(err) {}

int ConsoleDesktop::msgBox(const std::string& prompt, int style, const std::string& title) {
  const bool question = (style & 7) == msgbox::kYesNo;
  const int answer = question ? msgbox::kNo : msgbox::kOk;
  ++shown_;
  lastPrompt_ = replaceAll(replaceAll(prompt, "\r\n", " "), "\n", " ");
  std::string line = (title.empty() ? std::string(kProgramTitle) : title) + ": " + lastPrompt_;
  if (question)
    line += " -> No";
  err_ << line << std::endl;
  if (log_ != nullptr && !log_->path().empty()) {
    try {
      log_->EscribirLog(" Mensaje " + line);
    } catch (const AppError&) {
      // The line is on the error stream already.
    }
  }
  return answer;
}

}  // namespace fd
