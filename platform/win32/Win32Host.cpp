// The Windows host: the system's own files, processes, registry, clock and odbc32.
#include <windows.h>

#include <iostream>
#include <memory>

#include "platform/Host.h"
#include "platform/SystemClock.h"
#include "platform/win32/StandardStreamBuf.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"

namespace fd {

// Read as wide text so that no name is lost to the code page.
std::filesystem::path runningProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) ==
         name.size()) {
    name.resize(name.size() * 2);
  }
  name.resize(length);
  return std::filesystem::path(name).parent_path();
}

namespace {

// The standard streams of the program on the handles cmd.exe gave it or on the starting console;
// the streams get their own buffers back at the end, before the library flushes them.
class StartingConsole {
 public:
  StartingConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    // Even with both streams redirected: the programs a run starts (the RAR tool, the query tool)
    // then share that console instead of each opening a window of its own. Fails, harmlessly,
    // when the program has a console already or its parent has none.
    AttachConsole(ATTACH_PARENT_PROCESS);
    out_ = bufferFor(out);
    err_ = bufferFor(err);
    if (out_)
      previousOut_ = std::cout.rdbuf(out_.get());
    if (err_)
      previousErr_ = std::cerr.rdbuf(err_.get());
  }
  ~StartingConsole() {
    std::cout.flush();
    std::cerr.flush();
    if (out_)
      std::cout.rdbuf(previousOut_);
    if (err_)
      std::cerr.rdbuf(previousErr_);
  }
  StartingConsole(const StartingConsole&) = delete;
  StartingConsole& operator=(const StartingConsole&) = delete;

 private:
  static std::unique_ptr<StandardStreamBuf> bufferFor(HANDLE handle) {
    const DWORD type = handle == nullptr || handle == INVALID_HANDLE_VALUE
                           ? static_cast<DWORD>(FILE_TYPE_UNKNOWN)
                           : GetFileType(handle);
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE)
      return std::make_unique<StandardStreamBuf>(handle, false);
    DWORD mode = 0;
    if (type == FILE_TYPE_CHAR)  // a console, or a device such as NUL
      return std::make_unique<StandardStreamBuf>(handle, GetConsoleMode(handle, &mode) != 0);
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
      return nullptr;  // nowhere to write: the text is lost, as a window program's would be
    return std::make_unique<StandardStreamBuf>(console, true);
  }

  std::unique_ptr<StandardStreamBuf> out_, err_;
  std::streambuf* previousOut_ = nullptr;
  std::streambuf* previousErr_ = nullptr;
};

class Win32Host : public Host {
 public:
  Win32Host(PathMapper paths, const std::filesystem::path& hostFolder)
      : Host(std::move(paths), hostFolder) {
    fs_ = std::make_unique<Win32FileSystem>();
    processes_ = std::make_unique<Win32Processes>();
    clock_ = std::make_unique<SystemClock>();
    registry_ = std::make_unique<Win32Registry>();
  }

  // Sends standard output and error where cmd.exe meant them: a redirected file or pipe as it
  // is; otherwise the program's console, or the console of the program that started it (a
  // window program has none of its own). Once, for the rest of the program.
  void useStartingConsole() override { static StartingConsole console; }

  // Windows ends a program through its window's messages instead.
  int endRequests() override { return -1; }
  void clearEndRequests() override {}
};

}  // namespace

std::unique_ptr<Host> makeHost(PathMapper paths, const std::filesystem::path& hostFolder) {
  return std::make_unique<Win32Host>(std::move(paths), hostFolder);
}

}  // namespace fd
