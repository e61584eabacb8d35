// taskkill: ends the processes of its prefix by image name, as the updater runs it
// ("taskkill /f /im NAME").
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/PathMapper.h"
#include "platform/posix/PosixProcesses.h"

namespace {

// Exit codes of the Windows program: 128 when no process has the name.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kNotFound = 128;

constexpr const char* kUsage = "Escriba \"TASKKILL /?\" para su uso.";

struct Options {
  bool force = false;
  std::vector<std::string> names;
};

// "/f" and "-F" are the same option.
std::string optionName(const std::string& word) {
  if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
    return {};
  }
  return fd::foldCase(word.substr(1));
}

int usage(const std::string& problem) {
  std::cerr << "ERROR: " << problem << "\n" << kUsage << "\n";
  return kFailed;
}

std::filesystem::path ownFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::string option = optionName(word);
    if (option == "f") {
      options.force = true;
    } else if (option == "im") {
      if (i + 1 >= argc) {
        return usage("falta un valor para la opción '" + word + "'.");
      }
      options.names.push_back(argv[++i]);
    } else {
      return usage("argumento u opción no válido - '" + word + "'.");
    }
  }
  if (options.names.empty()) {
    return usage("falta la opción /IM.");
  }

  std::vector<fd::ProcessEntry> processes;
  try {
    const fd::PathMapper paths = fd::PathMapper::fromEnvironment();
    processes = fd::PosixProcesses(paths, ownFolder()).list();
  } catch (const fd::AppError& error) {
    std::cerr << "ERROR: no se pudo leer la lista de procesos: " << error.description() << "\n";
    return kFailed;
  }

  const int self = static_cast<int>(::getpid());
  const int ending = options.force ? SIGKILL : SIGTERM;
  int exitCode = kDone;
  for (const std::string& name : options.names) {
    const std::string wanted = fd::foldCase(name);
    bool found = false;
    for (const fd::ProcessEntry& process : processes) {
      if (process.pid == self || fd::foldCase(process.name) != wanted) {
        continue;
      }
      if (::kill(process.pid, ending) == 0) {
        found = true;
        std::cout << (options.force ? "CORRECTO: se terminó el proceso \""
                                    : "CORRECTO: se envió la señal de terminación al proceso \"")
                  << process.name << "\" con PID " << process.pid << ".\n";
      } else if (errno != ESRCH) {
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
