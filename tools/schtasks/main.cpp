// schtasks: starts a scheduled task's program, as the updater runs it ("schtasks /run /tn NAME").
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/CommandLine.h"
#include "platform/PathMapper.h"
#include "tools/common/Switches.h"
#include "tools/schtasks/SchtasksHost.h"
#include "tools/schtasks/TaskDefinition.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDone = 0;
constexpr int kFailed = 1;

// Where Windows keeps the definition of each task, by the task's name.
constexpr const char* kTasksFolder = "C:\\Windows\\System32\\Tasks\\";
constexpr const char* kNoSuchTask = "ERROR: El sistema no puede encontrar el archivo especificado.";
constexpr const char* kUsage = "Escriba \"SCHTASKS /RUN /?\" para su uso.";

std::optional<std::string> readFile(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    return std::nullopt;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool isWindowsPath(const std::string& text) {
  return (text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) &&
          text[1] == ':') ||
         text.starts_with("\\");
}

// Task Scheduler accepts a Command written with quotes around it.
std::string unquoted(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  fd::tools::Switches switches = fd::tools::readSwitches(argc, argv, {"run"}, {"tn"});
  if (!switches.problem.empty()) {
    return fd::tools::usageError(switches.problem, kUsage);
  }
  const std::vector<std::string>& names = switches.values["tn"];
  if (!switches.flags.count("run") || names.empty() || names.back().empty()) {
    return fd::tools::usageError("sintaxis no válida. Se requieren las opciones /RUN y /TN.",
                                 kUsage);
  }
  const std::string& taskName = names.back();

  const fd::PathMapper paths = fd::PathMapper::fromEnvironment();
  std::string relative = taskName;
  while (relative.starts_with("\\")) {
    relative.erase(0, 1);
  }
  const std::optional<std::string> bytes = readFile(paths.toHost(kTasksFolder + relative));
  if (!bytes) {
    std::cerr << kNoSuchTask << "\n";
    return kFailed;
  }
  const std::optional<fd::TaskAction> action = fd::readTaskAction(fd::decodeTaskFile(*bytes));
  if (!action) {
    std::cerr << "ERROR: la tarea \"" << taskName << "\" no tiene ningún programa que ejecutar.\n";
    return kFailed;
  }

  try {
    std::string commandLine = fd::joinCommandLine({unquoted(action->command)});
    if (!action->arguments.empty()) {
      commandLine += " " + action->arguments;
    }
    const std::vector<std::string> program = fd::resolveTaskProgram(paths, commandLine);
    fs::path folder;
    if (!action->workingDirectory.empty()) {
      const std::string directory = unquoted(action->workingDirectory);
      folder = isWindowsPath(directory) ? paths.toHost(directory) : fs::path(directory);
    }
    fd::startDetached(program, folder, paths);
  } catch (const fd::AppError& error) {
    std::cerr << "ERROR: no se pudo iniciar la tarea \"" << taskName << "\" (" << action->command
              << "): " << error.description() << ".\n";
    return kFailed;
  }
  std::cout << "CORRECTO: se intentó ejecutar \"" << taskName << "\".\n";
  return kDone;
}
