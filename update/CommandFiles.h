#pragma once

#include <string>
#include <vector>

#include "session/Controls.h"

namespace fd {

class Desktop;
class FileBackup;
class FileSystem;
class Processes;
class UpdateLog;

// Runs the packages' command files: ".cfd" files in the updater's command language (COPY,
// MAKEDIR, SYNCSHELL, anything else started as a command line) and ".bat" batch files, with the
// placeholders %PathActTmp%, %FileINI%, %PathCom% and %PathFD% replaced. Each one keeps a
// companion ".log" of what it did.
class CommandFiles {
 public:
  struct Folders {
    const TextBox& txtDirIni;
    const TextBox& txtDirFD;
    const TextBox& txtCom;
  };

  CommandFiles(Folders folders, FileSystem& fs, Processes& processes, Desktop& desktop,
               UpdateLog& log, FileBackup* backup = nullptr);

  // True when no step failed; each failing step is reported in a message box and the next step
  // still runs.
  bool EjecutarComandos(const std::string& archivo);

  // The lines a command file would run, placeholders replaced (a ".cfd" without its empty
  // lines); read failures are thrown.
  std::vector<std::string> substitutedLines(const std::string& archivo) const;

  // Whether a package file of this kind (its name's last four characters) is a command file:
  // ".cfd" or ".bat".
  static bool isCommandKind(const std::string& tipo);
  // A command file the manifest gives no destination is run from the package, not copied.
  static bool isCommandFile(const std::string& tipo, const std::string& destino);

  // The name under which a batch file's substituted copy is written and run.
  static std::string substitutedCopy(const std::string& batch);

 private:
  std::string substitute(const std::string& line, const std::string& carpeta) const;
  void runLine(const std::string& line, const std::string& bitacora);
  void logStep(const std::string& bitacora, const std::string& text);
  void reportFailure(const class AppError& error);

  Folders folders_;
  FileSystem& fs_;
  Processes& processes_;
  Desktop& desktop_;
  UpdateLog& log_;
  FileBackup* backup_;
  bool result_ = true;
};

}  // namespace fd
