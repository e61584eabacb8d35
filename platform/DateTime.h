#pragma once

#include <compare>
#include <optional>
#include <string>

namespace fd {

// A local date and time as the clock and the file system give it.
struct LocalDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  auto operator<=>(const LocalDateTime&) const = default;
};

// The general date format of the Spanish regional settings: "dd/mm/yyyy H:mm:ss".
std::string formatGeneralDate(const LocalDateTime& when);

// Reads back a text written by formatGeneralDate (a date alone is midnight); nullopt otherwise.
std::optional<LocalDateTime> parseGeneralDate(const std::string& text);

}  // namespace fd
