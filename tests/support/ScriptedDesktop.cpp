#include "support/ScriptedDesktop.h"

namespace fd::test {

void ScriptedDesktop::doEvents() {
  ++eventRounds;
  if (onEvents)
    onEvents();
}

int ScriptedDesktop::msgBox(const std::string& prompt, int style, const std::string& title) {
  boxes.push_back({prompt, style, title.empty() ? kProgramTitle : title});
  if (onBox)
    onBox();
  if (!answers_.empty()) {
    int reply = answers_.front();
    answers_.pop_front();
    return reply;
  }
  if ((style & 7) == msgbox::kYesNo) {
    return (style & msgbox::kDefaultButton2) ? msgbox::kNo : msgbox::kYes;
  }
  return msgbox::kOk;
}

void ScriptedDesktop::setBusyPointer(bool busy) {
  busyDepth += busy ? 1 : -1;
  ++busyChanges;
}

}  // namespace fd::test
