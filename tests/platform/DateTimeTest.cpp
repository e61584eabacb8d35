#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace fd {
namespace {

TEST(DateTime, GeneralDateHasNoLeadingZeroHour) {
  EXPECT_EQ(formatGeneralDate({2026, 12, 8, 6, 10, 57}), "08/12/2026 6:10:57");
  EXPECT_EQ(formatGeneralDate({2027, 1, 31, 23, 0, 5}), "31/01/2027 23:00:05");
}

TEST(DateTime, GeneralDateParsesBackToTheSameMoment) {
  for (const LocalDateTime& when :
       {LocalDateTime{2026, 12, 8, 6, 10, 57}, LocalDateTime{1999, 1, 1, 0, 0, 0},
        LocalDateTime{2030, 2, 28, 23, 59, 59}}) {
    EXPECT_EQ(parseGeneralDate(formatGeneralDate(when)), when);
  }
}

TEST(DateTime, DateAloneParsesAsMidnight) {
  EXPECT_EQ(parseGeneralDate("08/12/2026"), (LocalDateTime{2026, 12, 8, 0, 0, 0}));
}

TEST(DateTime, OtherTextsDoNotParse) {
  for (const char* text : {"", "hoy", "32/01/2026 1:00:00", "08/13/2026", "08/12/2026 24:00:00",
                           "08/12/2026 6:10:57x"}) {
    EXPECT_EQ(parseGeneralDate(text), std::nullopt) << text;
  }
}

}  // namespace
}  // namespace fd
