#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace fd {

// The host's local clock, a steady count from the clock's creation and real sleeps; the
// standard library serves both hosts but for the local time's conversion.
class SystemClock : public Clock {
 public:
  SystemClock();

  LocalDateTime now() override;
  std::chrono::milliseconds elapsed() override;
  void sleep(std::chrono::milliseconds duration) override;

 private:
  std::chrono::steady_clock::time_point started_;
};

}  // namespace fd
