#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fd::test {

// One archive made by RAR itself and what extracting it must leave, from
// tests/data/rar/expected.tsv (archive, exit code, file, size, SHA-256; one row per file).
struct RarExpectedCase {
  std::string archive;
  bool succeeds = true;
  // File name (UTF-8) to its size and SHA-256.
  std::map<std::string, std::pair<std::uintmax_t, std::string>> files;
};

inline std::vector<RarExpectedCase> loadRarExpectedTable(const std::filesystem::path& table) {
  std::ifstream in(table);
  std::vector<RarExpectedCase> cases;
  std::string line;
  std::getline(in, line);  // the column names
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string archive, exit, file, size, sha;
    std::getline(fields, archive, '\t');
    std::getline(fields, exit, '\t');
    std::getline(fields, file, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, sha, '\t');
    if (cases.empty() || cases.back().archive != archive) {
      cases.push_back({archive, exit == "0", {}});
    }
    if (exit == "0") {
      cases.back().files[file] = {std::stoull(size), sha};
    }
  }
  return cases;
}

}  // namespace fd::test
