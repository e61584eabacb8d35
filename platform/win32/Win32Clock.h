#pragma once

#include "platform/Clock.h"

namespace fd {

// The local clock of Windows, the system's tick count since the clock's creation, real sleeps.
class Win32Clock : public Clock {
 public:
  Win32Clock();

  LocalDateTime now() override;
  std::chrono::milliseconds elapsed() override;
  void sleep(std::chrono::milliseconds duration) override;

 private:
  unsigned long long started_;
};

}  // namespace fd
