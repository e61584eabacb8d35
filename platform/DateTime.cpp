#include "platform/DateTime.h"

#include <cstdio>

namespace fd {

std::string formatGeneralDate(const LocalDateTime& when) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d %d:%02d:%02d", when.day, when.month, when.year,
                when.hour, when.minute, when.second);
  return text;
}

std::optional<LocalDateTime> parseGeneralDate(const std::string& text) {
  LocalDateTime when;
  char tail = 0;
  int read = std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &when.day, &when.month, &when.year,
                         &when.hour, &when.minute, &when.second, &tail);
  if (read == 3) {
    when.hour = when.minute = when.second = 0;
  } else if (read != 6) {
    return std::nullopt;
  }
  if (when.month < 1 || when.month > 12 || when.day < 1 || when.day > 31 || when.hour < 0 ||
      when.hour > 23 || when.minute < 0 || when.minute > 59 || when.second < 0 ||
      when.second > 59) {
    return std::nullopt;
  }
  return when;
}

}  // namespace fd
