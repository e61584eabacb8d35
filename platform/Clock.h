#pragma once

#include <chrono>

#include "platform/DateTime.h"

namespace fd {

// The local clock and the passing of time. Tests use a fake whose sleeps take no real time.
class Clock {
 public:
  virtual ~Clock() = default;

  // The current local date and time.
  virtual LocalDateTime now() = 0;
  // A steady count that never goes back (not affected by midnight or clock changes).
  virtual std::chrono::milliseconds elapsed() = 0;
  // Blocks the calling thread for the given time.
  virtual void sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace fd
