#include <windows.h>

#include <gtest/gtest.h>

#include "platform/SystemClock.h"

namespace fd::test {
namespace {

// The steady count is ClockTest's, on both hosts.
TEST(Win32Clock, NowIsTheLocalTime) {
  SystemClock clock;
  SYSTEMTIME local;
  GetLocalTime(&local);
  LocalDateTime now = clock.now();
  EXPECT_EQ(now.year, local.wYear);
  EXPECT_EQ(now.month, local.wMonth);
  EXPECT_EQ(now.day, local.wDay);
}

}  // namespace
}  // namespace fd::test
