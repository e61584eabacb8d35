#include "update/SqlToolDiscovery.h"

#include <vector>

#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"
#include "support/clsRegistro.h"

namespace fd {

namespace {

constexpr const char* kValueName = "SQLPath";
constexpr const char* kNotFoundEntry = " ERROR mISQL no se encontro";

struct Phase {
  const char* key;
  // The tool paths below folder P in the order they are tried.
  std::vector<std::string> (*candidates)(const std::string& p);
};

std::vector<std::string> tools80(const std::string& p) {
  return {p + "\\80\\Tools\\Binn\\isqlw.exe", p + "\\80\\Tools\\Binn\\osql.exe"};
}

// The client tools of a 64-bit system may sit under "Program Files" while the key names
// "Program Files (x86)".
std::vector<std::string> tools90(const std::string& p) {
  const std::string q = replaceAll(p, "Program Files (x86)", "Program Files");
  return {p + "\\Binn\\isqlw.exe", p + "\\Binn\\osql.exe", q + "\\Binn\\isqlw.exe",
          q + "\\Binn\\osql.exe"};
}

const Phase kPhases[] = {
    {"SOFTWARE\\Microsoft\\MSSQLServer\\Setup", tools80},
    {"SOFTWARE\\Microsoft\\Microsoft SQL Server\\FD\\Setup", tools80},
    {"SOFTWARE\\Microsoft\\Microsoft SQL Server\\90\\Tools\\ClientSetup", tools90},
};

// Tries the candidates below the key's folder and below each of its parents in turn.
void searchPhase(const Phase& phase, std::string& mISQL, Registry& registry, const FileSystem& fs) {
  clsRegistro registro(registry);
  std::string p = registro.GetRegistryValue(phase.key, kValueName, 0).text();
  for (;;) {
    for (const std::string& candidate : phase.candidates(p)) {
      mISQL = candidate;
      if (fs.ordinaryFileExists(mISQL)) {
        return;
      }
    }
    const size_t last = p.rfind('\\');
    if (p.empty() || last == std::string::npos) {
      return;
    }
    p.erase(last);
  }
}

}  // namespace

bool ConseguirPathISQL(std::string& mISQL, Registry& registry, const FileSystem& fs, UpdateLog& log,
                       Desktop& desktop) {
  searchPhase(kPhases[0], mISQL, registry, fs);
  for (size_t phase = 1; phase < std::size(kPhases) && !fs.ordinaryFileExists(mISQL); ++phase) {
    searchPhase(kPhases[phase], mISQL, registry, fs);
  }
  log.EscribirLog(" " + mISQL);
  if (!fs.ordinaryFileExists(mISQL)) {
    log.EscribirLog(kNotFoundEntry);
    desktop.msgBox(kQueryToolNotFoundMessage, msgbox::kOkOnly, "");
    return false;
  }
  return true;
}

}  // namespace fd
