#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/PathMapper.h"

namespace fd {

class Clock;
class DatabaseProvider;
class FileSystem;
class Processes;
class Registry;

// The machine a program runs on: the services the window and its stages reach it through, and
// the few things a program does with its host at start. Made by makeHost(); posix/ and win32/
// each make the services of their own host and say how it treats the console and end requests.
class Host {
 public:
  virtual ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  FileSystem& fs() { return *fs_; }
  Processes& processes() { return *processes_; }
  Clock& clock() { return *clock_; }
  DatabaseProvider& databases() { return *databases_; }
  const PathMapper& paths() const { return paths_; }
  Registry& registry() { return *registry_; }
  // The program's own folder as a Windows path.
  const std::string& programFolder() const { return programFolder_; }

  // Sends standard output and error where the program's starter meant them: a file or pipe
  // they were redirected to, as it is; else the console the program was started from, which a
  // window program does not have of its own on every host.
  virtual void useStartingConsole() = 0;

  // A descriptor that becomes readable when the program is asked from outside to end (SIGTERM,
  // SIGINT or SIGHUP), for an event loop to watch; -1 where the host sends no such requests.
  virtual int endRequests() = 0;
  // Reads the requests that arrived, so that the descriptor waits for the next one.
  virtual void clearEndRequests() = 0;

 protected:
  // From then on a path without a drive is on the drive of the program's folder (a host path),
  // as on Windows. The database provider is ODBC on every host; the rest is the host's to make.
  Host(PathMapper paths, const std::filesystem::path& hostFolder);

  PathMapper paths_;
  std::string programFolder_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<Processes> processes_;
  std::unique_ptr<Clock> clock_;
  std::unique_ptr<DatabaseProvider> databases_;
  std::unique_ptr<Registry> registry_;
};

// The folder of the running program's own executable.
std::filesystem::path runningProgramFolder();

// The host of a program whose own folder is hostFolder, its Windows paths mapped by paths: by
// default the running program's, in the prefix of its environment.
std::unique_ptr<Host> makeHost(PathMapper paths = PathMapper::fromEnvironment(),
                               const std::filesystem::path& hostFolder = runningProgramFolder());

}  // namespace fd
