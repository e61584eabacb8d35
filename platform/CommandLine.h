#pragma once

#include <string>
#include <vector>

namespace fd {

// Splits a Windows command-line text into its words: white space separates, double quotes group
// (and are removed), backslashes are literal.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// One word as a command line carries it to the program: quoted when it holds a space or a tab or
// is empty, any backslashes at its end left after the closing quote, so that Windows' own rules
// (where a backslash before a quote escapes it) and ours read the same word back. A double quote
// cannot be carried: the caller refuses it before.
std::string commandLineWord(const std::string& word);

// Joins words into a command-line text, quoting those that hold spaces or are empty.
std::string joinCommandLine(const std::vector<std::string>& words);

// The running program's arguments as UTF-8, its name first: on Windows those of main are in the
// system's code page, so they are read again from the wide command line.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace fd
