#include "update/ScriptParameters.h"

#include <vector>

#include "platform/AnsiCodec.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"

namespace fd {

namespace {

constexpr const char* kEntry = " ReemplazarParametros ";
constexpr const char* kCatalogo = "%Catalogo%";
constexpr const char* kServidor = "%Servidor%";

}  // namespace

ScriptParameters::ScriptParameters(FileSystem& fs, UpdateLog& log) : fs_(fs), log_(log) {}

std::string ScriptParameters::backupPath(const std::string& script) {
  return replaceAll(replaceAll(replaceAll(script, ".sql", ".old"), ".Sql", ".old"), ".SQL", ".old");
}

void ScriptParameters::ReemplazarParametros(const std::string& script, const std::string& mCatalogo,
                                            const std::string& mServidor) {
  log_.EscribirLog(kEntry + script);
  const int attributes = fs_.attributes(script);
  if (attributes != 0 && attributes != attr::kArchive) {
    return;
  }
  const std::string backup = backupPath(script);
  // An extension in another letter mix leaves the backup on the script itself.
  if (foldCase(backup) == foldCase(script)) {
    return;
  }

  // A failing file operation from here on leaves the script as it stands. An existing backup is
  // the package's original: a run never writes over it, so a later run substitutes its own
  // database and not the one before.
  if (!fs_.fileExists(backup)) {
    try {
      fs_.writeLines(backup, fs_.readLines(script), false);
    } catch (const AppError&) {
      // Half written, it would pass for the original on the next run.
      try {
        fs_.removeFile(backup);
      } catch (const AppError&) {
      }
      return;
    }
  }

  std::vector<std::string> lines;
  try {
    lines = fs_.readLines(backup);
  } catch (const AppError&) {
    return;
  }
  for (std::string& line : lines) {
    line = replaceAll(replaceAll(trimSpaces(line), kCatalogo, mCatalogo), kServidor, mServidor);
  }
  try {
    fs_.writeLines(script, lines, false);
  } catch (const AppError&) {
    // The script is run as it then stands.
  }
}

}  // namespace fd
