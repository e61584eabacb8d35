#include "platform/win32/Win32Processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "platform/AppError.h"
#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

constexpr const char* kSource = "Processes";

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

void Win32Processes::sendOutputTo(const std::string& path) {
  output_ = path;
}

void* Win32Processes::create(const std::string& commandLine, WindowState state,
                             unsigned long& pid) {
  std::wstring text = widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand(state));
  // The output file is shared for writing, so that the updater goes on appending to it while a
  // child holds it.
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!output_.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    output =
        CreateFileW(widen(output_).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output != INVALID_HANDLE_VALUE) {
      startup.dwFlags |= STARTF_USESTDHANDLES;
      startup.hStdInput = nullptr;
      startup.hStdOutput = output;
      startup.hStdError = output;
    }
  }
  PROCESS_INFORMATION info{};
  const bool started = !text.empty() && CreateProcessW(nullptr, text.data(), nullptr, nullptr,
                                                       output != INVALID_HANDLE_VALUE, 0, nullptr,
                                                       nullptr, &startup, &info);
  if (output != INVALID_HANDLE_VALUE) {
    CloseHandle(output);
  }
  if (!started) {
    throw platformError(err::kFileNotFound, kSource);
  }
  CloseHandle(info.hThread);
  pid = info.dwProcessId;
  return info.hProcess;
}

int Win32Processes::start(const std::string& commandLine, WindowState state) {
  unsigned long id = 0;
  HANDLE process = create(commandLine, state, id);
  const int pid = static_cast<int>(id);
  // A reused id replaces the handle of the process that had it before.
  if (auto old = children_.find(pid); old != children_.end()) {
    CloseHandle(old->second);
  }
  children_[pid] = process;
  return pid;
}

int Win32Processes::syncShell(const std::string& commandLine, WindowState state) {
  unsigned long id = 0;
  HANDLE process = create(commandLine, state, id);
  WaitForSingleObject(process, INFINITE);
  std::optional<int> code = readExitCode(process);
  CloseHandle(process);
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
