// The Windows host: the system's own files, processes, registry, clock and odbc32.
#include <windows.h>

#include <cstdio>

#include "platform/Host.h"
#include "platform/SystemClock.h"
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

class Win32Host : public Host {
 public:
  Win32Host(PathMapper paths, const std::filesystem::path& hostFolder)
      : Host(std::move(paths), hostFolder) {
    fs_ = std::make_unique<Win32FileSystem>();
    processes_ = std::make_unique<Win32Processes>();
    clock_ = std::make_unique<SystemClock>();
    registry_ = std::make_unique<Win32Registry>();
  }

  // A window program has no console of its own; it writes to the one it was started from.
  void useStartingConsole() override {
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
      std::freopen("CONOUT$", "w", stdout);
      std::freopen("CONOUT$", "w", stderr);
      SetConsoleOutputCP(CP_UTF8);
    }
  }

  // Windows ends a program through its window's messages instead.
  int endRequests() override { return -1; }
  void clearEndRequests() override {}
};

}  // namespace

std::unique_ptr<Host> makeHost(PathMapper paths, const std::filesystem::path& hostFolder) {
  return std::make_unique<Win32Host>(std::move(paths), hostFolder);
}

}  // namespace fd
