#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fixtures/TdsTestServer.h"

namespace fd {

// The SQL stand-in the tools' suites log in to: server FDSRV, login Fendal, database Empresa1.
inline test::TdsServerConfig fdsrvServer() {
  return {.serverName = "FDSRV",
          .logins = {{"Fendal", "Murales7261qz"}},
          .databases = {"Empresa1"},
          .otherSessions = {}};
}

// How a run of one of the real tools in the updater's folder ended.
struct ToolRun {
  int exitCode = -1;
  std::string output;
  std::string errorOutput;
  bool timedOut = false;
  std::chrono::milliseconds elapsed{0};
};

// Runs a program with the given arguments, with WINEPREFIX set to winePrefix when it is not
// empty; a run that lasts longer than limit is killed.
ToolRun runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::filesystem::path& winePrefix = {},
                   std::chrono::seconds limit = std::chrono::seconds(10));
// Runs the tool named name from the updater's folder.
ToolRun runTool(const std::string& name, const std::vector<std::string>& args,
                const std::filesystem::path& winePrefix = {},
                std::chrono::seconds limit = std::chrono::seconds(10));
// The program named name on PATH, or an empty path.
std::filesystem::path findOnPath(const std::string& name);

// Everything under folder, by path relative to it: a file's SHA-256, "<folder>" or "<link>".
std::map<std::string, std::string> treeOf(const std::filesystem::path& folder);

}  // namespace fd
