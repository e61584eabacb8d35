#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

// What the stand-ins of the Windows command-line programs share.
namespace fd::tools {

// The switches of a command line as Windows programs read them: "/run" and "-RUN" are the same
// switch; one that takes a value takes the next word.
struct Switches {
  std::set<std::string> flags;                             // names in lower case
  std::map<std::string, std::vector<std::string>> values;  // every value given, in order
  // Why the command line cannot be taken, in the program's words; empty when it can.
  std::string problem;
};

// Reads argv[1..] against the switches the program knows (names in lower case).
Switches readSwitches(int argc, char** argv, const std::set<std::string>& flags,
                      const std::set<std::string>& valued);

// Writes "ERROR: problem" and the line that says where usage is explained to standard error;
// returns the exit code of a failed command, 1.
int usageError(const std::string& problem, const std::string& usageHint);

// The folder of the running program, or the current folder where it cannot be read.
std::filesystem::path programFolder();

}  // namespace fd::tools
