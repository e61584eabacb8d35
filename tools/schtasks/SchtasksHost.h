#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/PathMapper.h"

namespace fd {

// The host program and arguments a task's command line (a Windows command-line text) runs as,
// found as the updater finds a program; AppError 53 when there is none, 70 when the program
// exists but may not be executed.
std::vector<std::string> resolveTaskProgram(const PathMapper& paths,
                                            const std::string& commandLine);

// Starts program (from resolveTaskProgram) as a program of the prefix paths maps, in a session
// of its own, with no terminal and its standard streams on /dev/null, and not as a child of the
// caller: it keeps running after the caller ends and never lingers as the caller's zombie.
// folder, when not empty, is its current folder. Returns when the program has been started;
// throws AppError 70 when the program or the folder may not be used, 53 when it cannot be
// started otherwise (the program or the folder does not exist).
void startDetached(const std::vector<std::string>& program, const std::filesystem::path& folder,
                   const PathMapper& paths);

}  // namespace fd
