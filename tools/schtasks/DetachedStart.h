#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fd {

// Starts argv (argv[0] a host program path) with the given environment as a process of its own
// session, with no terminal and its standard streams on /dev/null, that is not a child of the
// caller: it keeps running after the caller ends and never lingers as the caller's zombie.
// folder, when not empty, is its current folder. Returns when the program has been started;
// throws AppError 70 when the program or the folder may not be used, 53 when it cannot be
// started otherwise (the program or the folder does not exist).
void startDetached(const std::vector<std::string>& argv, const std::filesystem::path& folder,
                   const std::vector<std::string>& environment);

}  // namespace fd
