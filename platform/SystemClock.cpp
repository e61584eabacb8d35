#include "platform/SystemClock.h"

#include <ctime>
#include <thread>

namespace fd {

SystemClock::SystemClock() : started_(std::chrono::steady_clock::now()) {}

LocalDateTime SystemClock::now() {
  std::time_t seconds = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::chrono::milliseconds SystemClock::elapsed() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               started_);
}

void SystemClock::sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace fd
