#include "FakeClock.h"

namespace fd {

using namespace std::chrono;

FakeClock::FakeClock(LocalDateTime start) {
  setNow(start);
}

LocalDateTime FakeClock::now() {
  const sys_days day = floor<days>(local_);
  const year_month_day date(day);
  const hh_mm_ss time(floor<seconds>(local_ - day));
  return {static_cast<int>(date.year()),
          static_cast<int>(unsigned(date.month())),
          static_cast<int>(unsigned(date.day())),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

void FakeClock::sleep(milliseconds duration) {
  slept_ += duration;
  ++sleepCount_;
  advance(duration);
}

void FakeClock::setNow(const LocalDateTime& when) {
  const sys_days date = year_month_day(year(when.year), month(when.month), day(when.day));
  local_ = date + hours(when.hour) + minutes(when.minute) + seconds(when.second);
}

void FakeClock::advance(milliseconds duration) {
  local_ += duration;
  elapsed_ += duration;
}

}  // namespace fd
