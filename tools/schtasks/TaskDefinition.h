#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fd {

// What a scheduled task runs: its first Exec action, texts as the task file holds them.
struct TaskAction {
  std::string command;
  std::string arguments;
  std::string workingDirectory;
};

// The text of a task file as UTF-8: UTF-16 (little or big endian, by its byte-order mark, or
// little endian without one), or UTF-8 with or without a byte-order mark.
std::string decodeTaskFile(std::string_view bytes);

// Task/Actions/Exec of Task Scheduler XML, whatever namespace prefixes and attributes the
// elements carry; nullopt when the task has no Exec action with a Command.
std::optional<TaskAction> readTaskAction(std::string_view xml);

}  // namespace fd
