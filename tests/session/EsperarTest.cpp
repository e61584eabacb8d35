#include <gtest/gtest.h>

#include "fixtures/FakeClock.h"
#include "fixtures/ScriptedDesktop.h"
#include "session/Esperar.h"

namespace fd::test {
namespace {

TEST(Esperar, WaitsTheSecondsWhileTheWindowHandlesEvents) {
  FakeClock clock;
  ScriptedDesktop desktop;
  Esperar(clock, desktop, 2);
  EXPECT_GE(clock.elapsed().count(), 2000);
  EXPECT_LT(clock.elapsed().count(), 2100);
  EXPECT_GT(desktop.eventRounds, 10);
  // It sleeps between rounds instead of spinning: every round is followed by a sleep.
  EXPECT_EQ(clock.sleepCount(), desktop.eventRounds);
}

TEST(Esperar, ZeroSecondsReturnsAtOnce) {
  FakeClock clock;
  ScriptedDesktop desktop;
  Esperar(clock, desktop, 0);
  EXPECT_EQ(clock.elapsed().count(), 0);
  EXPECT_EQ(desktop.eventRounds, 0);
}

TEST(Esperar, EndsAfterTheSecondsEvenAcrossMidnight) {
  FakeClock clock({2026, 12, 31, 23, 59, 59});
  ScriptedDesktop desktop;
  Esperar(clock, desktop, 3);
  EXPECT_GE(clock.elapsed().count(), 3000);
  EXPECT_LT(clock.elapsed().count(), 3100);
}

}  // namespace
}  // namespace fd::test
