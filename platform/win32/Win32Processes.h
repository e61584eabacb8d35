#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace fd {

// Processes of Windows. A command line goes to CreateProcessW as it is, so the system finds its
// program: the updater's own folder first, then the system folders and PATH. The window state
// is the started program's show command; the process list is a Toolhelp snapshot.
class Win32Processes : public Processes {
 public:
  Win32Processes() = default;
  ~Win32Processes() override;
  Win32Processes(const Win32Processes&) = delete;
  Win32Processes& operator=(const Win32Processes&) = delete;

  int start(const std::string& commandLine, WindowState state) override;
  int syncShell(const std::string& commandLine, WindowState state) override;
  Ended syncShellTakingOutput(const std::string& commandLine, WindowState state) override;
  // For a process started elsewhere, the system is asked through its id.
  std::optional<int> exitCode(int pid) override;
  std::vector<ProcessEntry> list() const override;
  void sendOutputTo(const std::string& path) override;

 private:
  // Starts a command line, its output where sendOutputTo said; 53 when it cannot be started.
  void* create(const std::string& commandLine, WindowState state, unsigned long& pid);

  std::string output_;
  // Handles of the processes started here, kept so that their exit codes stay readable.
  std::map<int, void*> children_;
};

// The show command (SW_...) a window state starts a program with: "minimized without focus" is
// SW_SHOWMINNOACTIVE, which leaves the updater's window active.
int showCommand(WindowState state);

}  // namespace fd
