#pragma once

#include <memory>

#include "platform/PathMapper.h"
#include "platform/Processes.h"

namespace fd {

// What taskkill asks of its host: the processes it may end and the ending itself.

// The processes of the host, listed as the updater lists them (those of the prefix paths maps).
std::unique_ptr<Processes> hostProcesses(const PathMapper& paths);

int ownProcessId();

enum class EndOutcome { Ended, AlreadyGone, Refused };

// Asks the process to end, or ends it at once when forced.
EndOutcome endProcess(int pid, bool force);

}  // namespace fd
