#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace fd::test {

// A desktop for tests: records every message box and answers from a queue (OK, or the box's
// default button, when the queue is empty); counts event rounds and busy-pointer changes.
class ScriptedDesktop : public Desktop {
 public:
  struct Box {
    std::string prompt;
    int style = 0;
    std::string title;  // as shown: "Vadelo" when the caller gave none
  };

  void doEvents() override;
  int msgBox(const std::string& prompt, int style, const std::string& title) override;
  void setBusyPointer(bool busy) override;

  void answer(int reply) { answers_.push_back(reply); }

  std::vector<Box> boxes;
  int eventRounds = 0;
  int busyDepth = 0;
  int busyChanges = 0;
  // Runs at each event round (a test can click or close the window from here).
  std::function<void()> onEvents;
  // Runs while each box is up, before it is answered.
  std::function<void()> onBox;

 private:
  std::deque<int> answers_;
};

}  // namespace fd::test
