// taskkill: ends the processes of its prefix by image name, as the updater runs it
// ("taskkill /f /im NAME").
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/PathMapper.h"
#include "tools/common/Switches.h"
#include "tools/taskkill/TaskkillHost.h"

namespace {

// Exit codes of the Windows program: 128 when no process has the name.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kNotFound = 128;

constexpr const char* kUsage = "Escriba \"TASKKILL /?\" para su uso.";

}  // namespace

int main(int argc, char** argv) {
  fd::tools::Switches switches = fd::tools::readSwitches(argc, argv, {"f"}, {"im"});
  if (!switches.problem.empty()) {
    return fd::tools::usageError(switches.problem, kUsage);
  }
  const bool force = switches.flags.count("f") > 0;
  const std::vector<std::string>& names = switches.values["im"];
  if (names.empty()) {
    return fd::tools::usageError("falta la opción /IM.", kUsage);
  }

  std::vector<fd::ProcessEntry> processes;
  try {
    const fd::PathMapper paths = fd::PathMapper::fromEnvironment();
    processes = fd::hostProcesses(paths)->list();
  } catch (const fd::AppError& error) {
    std::cerr << "ERROR: no se pudo leer la lista de procesos: " << error.description() << "\n";
    return kFailed;
  }

  const int self = fd::ownProcessId();
  int exitCode = kDone;
  for (const std::string& name : names) {
    const std::string wanted = fd::foldCase(name);
    bool found = false;
    for (const fd::ProcessEntry& process : processes) {
      if (process.pid == self || fd::foldCase(process.name) != wanted) {
        continue;
      }
      const fd::EndOutcome outcome = fd::endProcess(process.pid, force);
      if (outcome == fd::EndOutcome::Ended) {
        found = true;
        std::cout << (force ? "CORRECTO: se terminó el proceso \""
                            : "CORRECTO: se envió la señal de terminación al proceso \"")
                  << process.name << "\" con PID " << process.pid << ".\n";
      } else if (outcome == fd::EndOutcome::Refused) {
        // A process that ended since the list was read is not an error; one we may not end is.
        found = true;
        std::cerr << "ERROR: no se pudo terminar el proceso \"" << process.name << "\" con PID "
                  << process.pid << ".\nMotivo: Acceso denegado.\n";
        exitCode = kFailed;
      }
    }
    if (!found) {
      std::cerr << "ERROR: no se encontró el proceso \"" << name << "\".\n";
      if (exitCode == kDone) {
        exitCode = kNotFound;
      }
    }
  }
  return exitCode;
}
