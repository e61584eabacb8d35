#pragma once

#include <chrono>

#include "platform/Clock.h"

namespace fd {

// A clock for tests: the local time is set by the test, and sleeping only moves the clock on
// (both the local time and the steady count), without any real wait.
class FakeClock : public Clock {
 public:
  explicit FakeClock(LocalDateTime start = {2026, 12, 8, 6, 10, 57});

  LocalDateTime now() override;
  std::chrono::milliseconds elapsed() override { return elapsed_; }
  void sleep(std::chrono::milliseconds duration) override;

  void setNow(const LocalDateTime& when);
  // Moves the local time and the steady count on, as time passing outside a sleep.
  void advance(std::chrono::milliseconds duration);
  // The sum of every sleep so far.
  std::chrono::milliseconds slept() const { return slept_; }
  int sleepCount() const { return sleepCount_; }

 private:
  std::chrono::sys_time<std::chrono::milliseconds> local_;  // local time, read as if it were UTC
  std::chrono::milliseconds elapsed_{0};
  std::chrono::milliseconds slept_{0};
  int sleepCount_ = 0;
};

}  // namespace fd
