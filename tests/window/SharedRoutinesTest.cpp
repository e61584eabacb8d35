#include <gtest/gtest.h>

#include "support/FakeClock.h"
#include "support/ScriptedDesktop.h"
#include "window/SharedRoutines.h"

namespace fd::test {
namespace {

KeyTable tablaDestinos() {
  return {{{"[Destino].a.dll", "1"}, {"[Destino].b.rpt", "2"}, {"[DESTINO].A.DLL", "3"}}};
}

struct SearchCase {
  std::string key;
  int start;
  int expected;
};

class BuscarClaveCases : public ::testing::TestWithParam<SearchCase> {};

TEST_P(BuscarClaveCases, FindsTheFirstMatchAtOrAfterTheStartIgnoringCase) {
  EXPECT_EQ(BuscarClave(tablaDestinos(), GetParam().key, GetParam().start), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, BuscarClaveCases,
    ::testing::Values(SearchCase{"[destino].A.dll", 0, 1}, SearchCase{"[destino].A.dll", 2, 3},
                      SearchCase{"[destino].A.dll", 4, -1}, SearchCase{"[destino].A.dll", 1, 1},
                      SearchCase{"[Destino].b.RPT", 0, 2}, SearchCase{"[Destino].c.dll", 0, -1},
                      SearchCase{"[destino].a.dll", 99, -1}));

TEST(BuscarClave, EmptyTableFindsNothing) {
  EXPECT_EQ(BuscarClave(KeyTable{}, "x", 0), -1);
}

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
