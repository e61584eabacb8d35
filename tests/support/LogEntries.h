#pragma once

#include <string>
#include <vector>

#include "platform/DateTime.h"

namespace fd::test {

// The lines of an update log after its header, without the date and time that each entry,
// written at `when`, starts with.
std::vector<std::string> logEntries(const std::vector<std::string>& lines,
                                    const LocalDateTime& when);

}  // namespace fd::test
