#pragma once

#include <set>
#include <string>

namespace fd {

class FileSystem;
class UpdateLog;

// Substitutes the database and server placeholders of maintenance scripts. One object serves one
// update run: it remembers the scripts whose ".old" backup it has written completely, so that
// every later database is written from the script as the package delivered it.
class ScriptParameters {
 public:
  ScriptParameters(FileSystem& fs, UpdateLog& log);

  // Keeps a ".old" copy of the script (once per run) and rewrites the script from it with
  // "%Catalogo%" and "%Servidor%" replaced and every line trimmed of spaces. A script with
  // attributes other than 0 or 32, or without a backup of its own written in this run, stays
  // unchanged. A missing script throws (error 53).
  void ReemplazarParametros(const std::string& script, const std::string& mCatalogo,
                            const std::string& mServidor);

  // The backup of a script: every ".sql", then ".Sql", then ".SQL" of the path becomes ".old".
  static std::string backupPath(const std::string& script);

 private:
  FileSystem& fs_;
  UpdateLog& log_;
  std::set<std::string> backedUp_;  // scripts, folded to one letter case
};

}  // namespace fd
