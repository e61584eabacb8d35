#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fd {

class PathMapper;
class Processes;

// This host's processes as the host factory makes them, for a program whose own folder is
// programFolder (a host path); paths must outlive them.
std::unique_ptr<Processes> makeProcesses(const PathMapper& paths,
                                         const std::filesystem::path& programFolder);

// POSIX hosts: the host program and arguments a command line is run as, looked for as the
// processes above look for it; AppError 53 when there is none, 70 when the program exists but may
// not be executed.
std::vector<std::string> hostCommand(const PathMapper& paths,
                                     const std::filesystem::path& programFolder,
                                     const std::string& commandLine);

// POSIX hosts: the environment of a program started in prefix: this one's, with WINEPREFIX naming
// the prefix as an absolute path, so that the program and whatever it starts belong to the same
// prefix.
std::vector<std::string> prefixEnvironment(const std::filesystem::path& prefix);

}  // namespace fd
