#pragma once

#include <string>

namespace fd {

class FileSystem;
class UpdateLog;

// Substitutes the database and server placeholders of maintenance scripts. The ".old" backup
// beside a script holds the script as the package delivered it: it is written when none exists
// (extracting a package removes the backups of its earlier extraction) and every run, for every
// database, rewrites the script from it.
class ScriptParameters {
 public:
  ScriptParameters(FileSystem& fs, UpdateLog& log);

  // Keeps a ".old" copy of the script (when there is none yet) and rewrites the script from it
  // with "%Catalogo%" and "%Servidor%" replaced and every line trimmed of spaces. A script with
  // attributes other than 0 or 32, or whose backup cannot be written whole, stays unchanged. A
  // missing script throws (error 53).
  void ReemplazarParametros(const std::string& script, const std::string& mCatalogo,
                            const std::string& mServidor);

  // The backup of a script: every ".sql", then ".Sql", then ".SQL" of the path becomes ".old".
  static std::string backupPath(const std::string& script);

 private:
  FileSystem& fs_;
  UpdateLog& log_;
};

}  // namespace fd
