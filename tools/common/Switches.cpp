#include "tools/common/Switches.h"

#include <iostream>

#include "platform/AnsiCodec.h"

namespace fd::tools {

namespace {

// The switch a word names, in lower case; empty when the word is not a switch.
std::string switchName(const std::string& word) {
  if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
    return {};
  }
  return foldCase(word.substr(1));
}

}  // namespace

Switches readSwitches(int argc, char** argv, const std::set<std::string>& flags,
                      const std::set<std::string>& valued) {
  Switches switches;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::string name = switchName(word);
    if (flags.count(name)) {
      switches.flags.insert(name);
    } else if (valued.count(name)) {
      if (i + 1 >= argc) {
        switches.problem = "falta un valor para la opción '" + word + "'.";
        break;
      }
      switches.values[name].push_back(argv[++i]);
    } else {
      switches.problem = "argumento u opción no válido - '" + word + "'.";
      break;
    }
  }
  return switches;
}

int usageError(const std::string& problem, const std::string& usageHint) {
  std::cerr << "ERROR: " << problem << "\n" << usageHint << "\n";
  return 1;
}

std::filesystem::path programFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : self.parent_path();
}

}  // namespace fd::tools
