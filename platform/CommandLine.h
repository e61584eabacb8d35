#pragma once

#include <string>
#include <vector>

namespace fd {

// Splits a Windows command-line text into its words: white space separates, double quotes group
// (and are removed), backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Joins words into a command-line text, quoting those that hold spaces or are empty.
std::string joinCommandLine(const std::vector<std::string>& words);

// The running program's arguments as UTF-8, its name first: on Windows those of main are in the
// system's code page, so they are read again from the wide command line.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace fd
