#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace fd {

class Clock;
class DatabaseProvider;
class FileSystem;
class PathMapper;
class Processes;
class Registry;

// The machine the program runs on: the services the window and its stages reach it through, and
// the few things a program does with its host at start. Made once for the running program by
// makeHost(); posix/ and win32/ each give one.
class Host {
 public:
  virtual ~Host() = default;

  virtual FileSystem& fs() = 0;
  virtual Processes& processes() = 0;
  virtual Clock& clock() = 0;
  virtual DatabaseProvider& databases() = 0;
  virtual const PathMapper& paths() const = 0;
  virtual Registry& registry() = 0;
  // The program's own folder as a Windows path.
  virtual const std::string& programFolder() const = 0;

  // Sends standard output and error to the console the program was started from, which a
  // window program does not have of its own on every host.
  virtual void useStartingConsole() = 0;

  // A descriptor that becomes readable when the program is asked from outside to end (SIGTERM,
  // SIGINT or SIGHUP), for an event loop to watch; -1 where the host sends no such requests.
  virtual int endRequests() = 0;
  // Reads the requests that arrived, so that the descriptor waits for the next one.
  virtual void clearEndRequests() = 0;
};

// The host of the running program, found from its own executable.
std::unique_ptr<Host> makeHost();

// The Windows path of the program's folder (hostFolder); from then on a path without a drive is
// on that folder's drive, as on Windows.
std::string programFolderOf(PathMapper& paths, const std::filesystem::path& hostFolder);

}  // namespace fd
