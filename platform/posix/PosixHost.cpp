// The POSIX host: Windows paths on a Wine-style prefix, the registry in its file, the process
// list of /proc and ODBC through unixODBC.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/Host.h"
#include "platform/SystemClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/RegFileRegistry.h"

namespace fd {

namespace {

// One pipe for the process: a signal handler can do nothing but write to it.
int endPipe[2] = {-1, -1};

void onEndSignal(int) {
  const char byte = 1;
  // A full pipe already holds a request.
  [[maybe_unused]] const ssize_t written = ::write(endPipe[1], &byte, 1);
}

class PosixHost : public Host {
 public:
  PosixHost(PathMapper paths, const std::filesystem::path& hostFolder)
      : Host(std::move(paths), hostFolder) {
    fs_ = std::make_unique<PosixFileSystem>(paths_);
    processes_ = std::make_unique<PosixProcesses>(paths_, hostFolder);
    clock_ = std::make_unique<SystemClock>();
    registry_ = std::make_unique<RegFileRegistry>(registryFilePath(paths_));
    // A file-size limit then fails the write with EFBIG, which the traps report, instead of
    // ending the program without a word.
    ::signal(SIGXFSZ, SIG_IGN);
  }

  // Standard output and error are the starting terminal's already.
  void useStartingConsole() override {}

  int endRequests() override {
    if (endPipe[0] < 0) {
      if (::pipe2(endPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
      }
      struct sigaction action = {};
      action.sa_handler = onEndSignal;
      ::sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
      }
    }
    return endPipe[0];
  }

  void clearEndRequests() override {
    char bytes[16];
    while (endPipe[0] >= 0 && ::read(endPipe[0], bytes, sizeof bytes) > 0) {
    }
  }
};

}  // namespace

std::filesystem::path runningProgramFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

std::unique_ptr<Host> makeHost(PathMapper paths, const std::filesystem::path& hostFolder) {
  return std::make_unique<PosixHost>(std::move(paths), hostFolder);
}

}  // namespace fd
