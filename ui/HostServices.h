#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/PathMapper.h"
#include "platform/odbc/OdbcDatabase.h"
#ifdef _WIN32
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#else
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"
#include "platform/posix/SystemClock.h"
#endif
#include "session/Services.h"

namespace fd {

// The host's platform services for the running program, found from its own executable, so that
// they can be made with or without a window.
class HostServices {
 public:
  HostServices();

  Services services(Desktop& desktop);

 private:
  PathMapper paths_;
  std::filesystem::path hostFolder_;
  std::string programFolder_;
  OdbcDatabaseProvider databases_;
#ifdef _WIN32
  Win32FileSystem fs_;
  Win32Processes processes_;
  Win32Clock clock_;
  Win32Registry registry_;
#else
  std::unique_ptr<PosixFileSystem> fs_;
  std::unique_ptr<PosixProcesses> processes_;
  SystemClock clock_;
  std::unique_ptr<RegFileRegistry> registry_;
#endif
};

}  // namespace fd
