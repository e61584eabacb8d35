// The Windows host: the system's own files, processes, registry, clock and odbc32.
#include <windows.h>

#include <cstdio>

#include "platform/Host.h"
#include "platform/PathMapper.h"
#include "platform/odbc/OdbcDatabase.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"

namespace fd {

namespace {

// Read as wide text so that no name is lost to the code page.
std::filesystem::path executableFolder() {
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) ==
         name.size()) {
    name.resize(name.size() * 2);
  }
  name.resize(length);
  return std::filesystem::path(name).parent_path();
}

class Win32Host : public Host {
 public:
  Win32Host()
      : paths_(PathMapper::fromEnvironment()),
        programFolder_(programFolderOf(paths_, executableFolder())) {}

  FileSystem& fs() override { return fs_; }
  Processes& processes() override { return processes_; }
  Clock& clock() override { return clock_; }
  DatabaseProvider& databases() override { return databases_; }
  const PathMapper& paths() const override { return paths_; }
  Registry& registry() override { return registry_; }
  const std::string& programFolder() const override { return programFolder_; }

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

 private:
  PathMapper paths_;
  std::string programFolder_;
  Win32FileSystem fs_;
  Win32Processes processes_;
  Win32Clock clock_;
  OdbcDatabaseProvider databases_;
  Win32Registry registry_;
};

}  // namespace

std::unique_ptr<Host> makeHost() {
  return std::make_unique<Win32Host>();
}

}  // namespace fd
