#pragma once

#include <string>

#include "session/Controls.h"

namespace fd {

class CommandFiles;
class FileBackup;
class Desktop;
class FileSystem;
class Grid;
class UpdateLog;

// The destination folder and file name the run is working on, which its failure message names.
struct CurrentFile {
  std::string destino;
  std::string archivo;
};

// The file stage of an update run: every row of flxFile is copied to its folder (created when
// missing) or, for a command file without destination, run; rows are coloured by outcome.
class FileCopyStage {
 public:
  static constexpr const char* kProgramaMails = "fdEnvioMails.exe";

  FileCopyStage(Grid& flxFile, Grid& flxLog, const CheckBox& chkComandos, const TextBox& txtDirFD,
                TextBox& txtEstado, FileSystem& fs, Desktop& desktop, UpdateLog& log,
                CommandFiles& commandFiles, FileBackup* backup = nullptr);

  // Where a row's file is copied to: its folder, or the suite's root for the mail program.
  static bool isMailProgram(const std::string& archivo);
  static std::string target(const std::string& archivo, const std::string& destino,
                            const std::string& dirFD);

  // What the stage does with a row of flxFile: runs a command file (only while the command files
  // are ticked), copies a file that has a destination, or passes the row by.
  enum class RowAction { Run, Copy, None };
  static RowAction actionFor(const std::string& tipo, const std::string& destino, bool runCommands);

  // A failing copy or folder creation is thrown to the run's trap; current tells where.
  void CopiarArchivos(CurrentFile& current);

 private:
  Grid& flxFile_;
  Grid& flxLog_;
  const CheckBox& chkComandos_;
  const TextBox& txtDirFD_;
  TextBox& txtEstado_;
  FileSystem& fs_;
  Desktop& desktop_;
  UpdateLog& log_;
  CommandFiles& commandFiles_;
  // Keeps each file before it is replaced (none in the stage's own tests).
  FileBackup* backup_;
};

}  // namespace fd
