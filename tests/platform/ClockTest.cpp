#include <gtest/gtest.h>

#include "fixtures/FakeClock.h"
#include "platform/SystemClock.h"

namespace fd {
namespace {

using std::chrono::milliseconds;

TEST(FakeClock, SleepMovesLocalTimeAndSteadyCountWithoutWaiting) {
  FakeClock clock({2026, 12, 31, 23, 59, 59});
  clock.sleep(milliseconds(1500));
  EXPECT_EQ(clock.now(), (LocalDateTime{2027, 1, 1, 0, 0, 0}));
  EXPECT_EQ(clock.elapsed(), milliseconds(1500));
  clock.sleep(milliseconds(500));
  EXPECT_EQ(clock.now(), (LocalDateTime{2027, 1, 1, 0, 0, 1}));
  EXPECT_EQ(clock.slept(), milliseconds(2000));
  EXPECT_EQ(clock.sleepCount(), 2);
}

TEST(FakeClock, AdvanceIsNotASleep) {
  FakeClock clock({2028, 2, 28, 12, 0, 0});
  clock.advance(std::chrono::hours(24));
  EXPECT_EQ(clock.now(), (LocalDateTime{2028, 2, 29, 12, 0, 0}));
  EXPECT_EQ(clock.elapsed(), std::chrono::hours(24));
  EXPECT_EQ(clock.sleepCount(), 0);
}

TEST(FakeClock, SetNowLeavesTheSteadyCountAlone) {
  FakeClock clock;
  clock.advance(milliseconds(10));
  clock.setNow({2020, 5, 6, 7, 8, 9});
  EXPECT_EQ(clock.now(), (LocalDateTime{2020, 5, 6, 7, 8, 9}));
  EXPECT_EQ(clock.elapsed(), milliseconds(10));
}

TEST(SystemClock, GivesAPlausibleLocalTimeAndASteadyCount) {
  SystemClock clock;
  const LocalDateTime now = clock.now();
  EXPECT_GE(now.year, 2024);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  const milliseconds first = clock.elapsed();
  clock.sleep(milliseconds(1));
  EXPECT_GE(clock.elapsed(), first + milliseconds(1));
}

}  // namespace
}  // namespace fd
