#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace fd {

// Window states of a started program (the platform's show codes). On Windows each is the started
// program's show command (Win32Processes); a POSIX host has no windows to show and ignores them.
enum class WindowState {
  Hidden = 0,
  NormalFocus = 1,
  MinimizedFocus = 2,
  NormalNoFocus = 4,
  MinimizedNoFocus = 6
};

// The exit code a running process reports.
inline constexpr int kStillActive = 259;

struct ProcessEntry {
  int pid = 0;
  std::string name;  // image name, e.g. "fdEnvioMails.exe"
};

// Starting command lines (Windows command-line texts) and looking at processes.
class Processes {
 public:
  virtual ~Processes() = default;

  // Starts a command line without waiting; returns the process id. 53 when the program does
  // not exist or cannot be started.
  virtual int start(const std::string& commandLine, WindowState state) = 0;
  // Starts a command line and returns only when the process has ended; returns its exit code.
  virtual int syncShell(const std::string& commandLine, WindowState state) = 0;
  // What a program run by syncShellTakingOutput ended with.
  struct Ended {
    int exitCode = 0;
    // The bytes it wrote to its standard output and error, at most the last kOutputKept.
    std::string output;
  };
  static constexpr std::size_t kOutputKept = 4096;
  // syncShell for a program that says on its output why it failed: the output is taken instead
  // of reaching the updater's console, so that the caller can report it where the user looks.
  virtual Ended syncShellTakingOutput(const std::string& commandLine, WindowState state) = 0;
  // The exit code of a process this object started: kStillActive while it runs; nullopt when
  // the process cannot be opened or its exit code cannot be read.
  virtual std::optional<int> exitCode(int pid) = 0;
  // Every process of the machine with its image name. Throws AppError when it cannot be listed.
  virtual std::vector<ProcessEntry> list() const = 0;
  // From now on the programs started here write their standard output and error at the end of
  // this file (a Windows path), not where the updater's own go; "" gives them the updater's.
  virtual void sendOutputTo(const std::string& path) = 0;
};

}  // namespace fd
