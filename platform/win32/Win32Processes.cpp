#include "platform/win32/Win32Processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "platform/AppError.h"
#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

constexpr const char* kSource = "Processes";

// Starts a command line and returns the process information; 53 when it cannot be started.
PROCESS_INFORMATION createProcess(const std::string& commandLine, WindowState state) {
  std::wstring text = widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand(state));
  PROCESS_INFORMATION info{};
  if (text.empty() || !CreateProcessW(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &info)) {
    throw platformError(err::kFileNotFound, kSource);
  }
  CloseHandle(info.hThread);
  return info;
}

std::optional<int> readExitCode(HANDLE process) {
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) {
    return std::nullopt;
  }
  return static_cast<int>(code);
}

}  // namespace

int showCommand(WindowState state) {
  switch (state) {
    case WindowState::Hidden:
      return SW_HIDE;
    case WindowState::NormalFocus:
      return SW_SHOWNORMAL;
    case WindowState::MinimizedFocus:
      return SW_SHOWMINIMIZED;
    case WindowState::NormalNoFocus:
      return SW_SHOWNOACTIVATE;
    case WindowState::MinimizedNoFocus:
      return SW_SHOWMINNOACTIVE;
  }
  return SW_SHOWNORMAL;
}

Win32Processes::~Win32Processes() {
  for (const auto& [pid, handle] : children_) {
    CloseHandle(handle);
  }
}

int Win32Processes::start(const std::string& commandLine, WindowState state) {
  PROCESS_INFORMATION info = createProcess(commandLine, state);
  const int pid = static_cast<int>(info.dwProcessId);
  // A reused id replaces the handle of the process that had it before.
  if (auto old = children_.find(pid); old != children_.end()) {
    CloseHandle(old->second);
  }
  children_[pid] = info.hProcess;
  return pid;
}

int Win32Processes::syncShell(const std::string& commandLine, WindowState state) {
  PROCESS_INFORMATION info = createProcess(commandLine, state);
  WaitForSingleObject(info.hProcess, INFINITE);
  std::optional<int> code = readExitCode(info.hProcess);
  CloseHandle(info.hProcess);
  return code.value_or(255);
}

std::optional<int> Win32Processes::exitCode(int pid) {
  if (auto child = children_.find(pid); child != children_.end()) {
    return readExitCode(child->second);
  }
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) {
    return std::nullopt;
  }
  std::optional<int> code = readExitCode(process);
  CloseHandle(process);
  return code;
}

std::vector<ProcessEntry> Win32Processes::list() const {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    throw platformError(err::kPathFileAccess, kSource);
  }
  std::vector<ProcessEntry> processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    processes.push_back({static_cast<int>(entry.th32ProcessID), narrow(entry.szExeFile)});
  }
  CloseHandle(snapshot);
  return processes;
}

}  // namespace fd
