#include "platform/win32/Win32Processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <vector>

#include "platform/AppError.h"
#include "platform/ProcessStart.h"
#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

constexpr const char* kSource = "Processes";

// Starts a command line and returns the process information; 53 when it cannot be started.
// output, when given, is an inheritable handle that becomes the child's standard output and
// error; it is the only handle the child inherits.
PROCESS_INFORMATION createProcess(const std::string& commandLine, WindowState state,
                                  HANDLE output = nullptr) {
  std::wstring text = widen(commandLine);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup.StartupInfo;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = static_cast<WORD>(showCommand(state));
  std::vector<unsigned char> attributes;
  DWORD flags = 0;
  if (output != nullptr) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attributes.resize(size);
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) ||
        !UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   &output, sizeof output, nullptr, nullptr)) {
      throw platformError(err::kPathFileAccess, kSource);
    }
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    flags = EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION info{};
  const BOOL started =
      !text.empty() && CreateProcessW(nullptr, text.data(), nullptr, nullptr, output != nullptr,
                                      flags, nullptr, nullptr, &startup.StartupInfo, &info);
  if (output != nullptr) {
    DeleteProcThreadAttributeList(startup.lpAttributeList);
  }
  if (!started) {
    throw platformError(err::kFileNotFound, kSource);
  }
  CloseHandle(info.hThread);
  return info;
}

// A temporary file that a child may write to and that goes when its handle is closed.
HANDLE temporaryOutput() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"fdp", 0, name) == 0) {
    throw platformError(err::kPathFileAccess, kSource);
  }
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE file = CreateFileW(
      name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileW(name);
    throw platformError(err::kPathFileAccess, kSource);
  }
  return file;
}

// The last bytes of a file, at most kept.
std::string tailOf(HANDLE file, std::size_t kept) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    return "";
  }
  const LONGLONG from = std::max<LONGLONG>(0, size.QuadPart - static_cast<LONGLONG>(kept));
  LARGE_INTEGER position{};
  position.QuadPart = from;
  std::string bytes(static_cast<std::size_t>(size.QuadPart - from), '\0');
  DWORD got = 0;
  if (bytes.empty() || !SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
      !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
    return "";
  }
  bytes.resize(got);
  return bytes;
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

std::unique_ptr<Processes> makeProcesses(const PathMapper&, const std::filesystem::path&) {
  return std::make_unique<Win32Processes>();
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
  // The output file is shared for writing, so that the updater goes on appending to it while a
  // child holds it.
  HANDLE output = nullptr;
  if (!output_.empty()) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    output =
        CreateFileW(widen(output_).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
      output = nullptr;
    }
  }
  PROCESS_INFORMATION info{};
  try {
    info = createProcess(commandLine, state, output);
  } catch (...) {
    if (output != nullptr) {
      CloseHandle(output);
    }
    throw;
  }
  if (output != nullptr) {
    CloseHandle(output);
  }
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

Processes::Ended Win32Processes::syncShellTakingOutput(const std::string& commandLine,
                                                       WindowState state) {
  HANDLE output = temporaryOutput();
  PROCESS_INFORMATION info{};
  try {
    info = createProcess(commandLine, state, output);
  } catch (...) {
    CloseHandle(output);
    throw;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  Ended ended{readExitCode(info.hProcess).value_or(255), tailOf(output, kOutputKept)};
  CloseHandle(info.hProcess);
  CloseHandle(output);
  return ended;
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
