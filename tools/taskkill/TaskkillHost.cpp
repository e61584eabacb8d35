#include "tools/taskkill/TaskkillHost.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ProcessStart.h"
#include "tools/common/Switches.h"

namespace fd {

std::unique_ptr<Processes> hostProcesses(const PathMapper& paths) {
  return makeProcesses(paths, tools::programFolder());
}

int ownProcessId() {
  return static_cast<int>(::getpid());
}

EndOutcome endProcess(int pid, bool force) {
  if (::kill(pid, force ? SIGKILL : SIGTERM) == 0) {
    return EndOutcome::Ended;
  }
  return errno == ESRCH ? EndOutcome::AlreadyGone : EndOutcome::Refused;
}

}  // namespace fd
