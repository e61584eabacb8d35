#include <windows.h>

#include <gtest/gtest.h>

#include "platform/SystemClock.h"

namespace fd::test {
namespace {

TEST(Win32Clock, NowIsTheLocalTime) {
  SystemClock clock;
  SYSTEMTIME local;
  GetLocalTime(&local);
  LocalDateTime now = clock.now();
  EXPECT_EQ(now.year, local.wYear);
  EXPECT_EQ(now.month, local.wMonth);
  EXPECT_EQ(now.day, local.wDay);
}

TEST(Win32Clock, ElapsedCountsTheSleptTime) {
  SystemClock clock;
  auto before = clock.elapsed();
  clock.sleep(std::chrono::milliseconds(30));
  EXPECT_GE(clock.elapsed() - before, std::chrono::milliseconds(15));
}

}  // namespace
}  // namespace fd::test
