#include "platform/CommandLine.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/win32/Win32Text.h"
#endif

namespace fd {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;  // also true for a pair of quotes with nothing between them
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (isBlank(c) && !quoted) {
      if (inWord) {
        words.push_back(std::move(word));
        word.clear();
        inWord = false;
      }
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) {
    words.push_back(std::move(word));
  }
  return words;
}

std::string commandLineWord(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t") == std::string::npos)
    return word;
  const std::size_t end = word.find_last_not_of('\\') + 1;
  return '"' + word.substr(0, end) + '"' + word.substr(end);
}

std::string joinCommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) {
      line += ' ';
    }
    if (word.empty() || word.find_first_of(" \t") != std::string::npos) {
      line += '"' + word + '"';
    } else {
      line += word;
    }
  }
  return line;
}

std::vector<std::string> programArguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
      args.push_back(narrow(wide[i]));
    LocalFree(wide);
    return args;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace fd
