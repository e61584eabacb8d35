#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fd {

// Starts argv (argv[0] a host program path) as a process of its own session, with no terminal
// and its standard streams on /dev/null, that is not a child of the caller: it keeps running
// after the caller ends and never lingers as the caller's zombie. folder, when not empty, is its
// current folder. Returns when the program has been started; throws AppError 53 when it cannot
// be (the program cannot be executed or the folder does not exist).
void startDetached(const std::vector<std::string>& argv, const std::filesystem::path& folder);

}  // namespace fd
