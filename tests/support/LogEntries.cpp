#include "support/LogEntries.h"

namespace fd::test {

std::vector<std::string> logEntries(const std::vector<std::string>& lines,
                                    const LocalDateTime& when) {
  const std::size_t stamp = formatGeneralDate(when).size();
  std::vector<std::string> texts;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    texts.push_back(lines[i].substr(stamp));
  }
  return texts;
}

}  // namespace fd::test
