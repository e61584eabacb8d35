#pragma once

#include <string>
#include <vector>

namespace fd {

// Splits a Windows command-line text into its words: white space separates, double quotes group
// (and are removed), backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Joins words into a command-line text, quoting those that hold spaces or are empty.
std::string joinCommandLine(const std::vector<std::string>& words);

}  // namespace fd
