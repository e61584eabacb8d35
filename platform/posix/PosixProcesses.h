#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/PathMapper.h"
#include "platform/ProcessStart.h"
#include "platform/Processes.h"

namespace fd {

// Processes of a POSIX host. The program of a command line is found this way:
// - a path with a drive letter or starting with "\" is mapped through the Wine prefix;
// - a path starting with "/" is a host path;
// - any other path holding "\" or "/" is taken from the updater's folder;
// - a bare name is looked for in the updater's folder (without regard to letter case, and with
//   ".exe" added when the name has no extension), then in the folders of PATH (exact name, then
//   with ".exe" added in the same way).
// A program that is not a native executable (neither ELF nor "#!") is run as "wine PROGRAM ARGS"
// when wine is on PATH. Arguments pass unchanged; window states mean nothing here. Children are
// ordinary children of the updater with their input from /dev/null, and run in the updater's
// prefix (WINEPREFIX names it in their environment).
//
// A process belongs to a prefix as a program belongs to a Windows machine: the list holds only
// the processes whose environment names the same WINEPREFIX, or, without one, whose default
// prefix (HOME/.wine) is it. Processes whose environment cannot be read are someone else's.
class PosixProcesses : public Processes {
 public:
  // procRoot is where the process list is read from (/proc on Linux).
  PosixProcesses(const PathMapper& paths, std::filesystem::path programFolder,
                 std::filesystem::path procRoot = "/proc");
  ~PosixProcesses() override;
  PosixProcesses(const PosixProcesses&) = delete;
  PosixProcesses& operator=(const PosixProcesses&) = delete;

  int start(const std::string& commandLine, WindowState state) override;
  int syncShell(const std::string& commandLine, WindowState state) override;
  Ended syncShellTakingOutput(const std::string& commandLine, WindowState state) override;
  std::optional<int> exitCode(int pid) override;
  std::vector<ProcessEntry> list() const override;
  void sendOutputTo(const std::string& path) override;

  // The host program and arguments a command line is run as; AppError 53 when there is none, 70
  // when the program exists but may not be executed.
  std::vector<std::string> resolve(const std::string& commandLine) const;

 private:
  // outputFd, when given, becomes the child's standard output and error.
  int spawn(const std::string& commandLine, int outputFd = -1);
  int wait(int pid);
  void reapEnded();

  const PathMapper& paths_;
  std::filesystem::path programFolder_;
  std::filesystem::path procRoot_;
  // Children started here: their exit code once they have ended, nullopt while they run.
  std::map<int, std::optional<int>> children_;
  // Where children write their standard output and error (a host path); empty: the updater's.
  std::filesystem::path output_;
};

}  // namespace fd
