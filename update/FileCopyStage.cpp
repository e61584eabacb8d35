#include "update/FileCopyStage.h"

#include "grid/Grid.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"
#include "update/CommandFiles.h"
#include "update/FileBackup.h"

namespace fd {

FileCopyStage::FileCopyStage(Grid& flxFile, Grid& flxLog, const CheckBox& chkComandos,
                             const TextBox& txtDirFD, TextBox& txtEstado, FileSystem& fs,
                             Desktop& desktop, UpdateLog& log, CommandFiles& commandFiles,
                             FileBackup* backup)
    : flxFile_(flxFile),
      flxLog_(flxLog),
      chkComandos_(chkComandos),
      txtDirFD_(txtDirFD),
      txtEstado_(txtEstado),
      fs_(fs),
      desktop_(desktop),
      log_(log),
      commandFiles_(commandFiles),
      backup_(backup) {}

bool FileCopyStage::isMailProgram(const std::string& archivo) {
  return toUpper(archivo).find("FDENVIOMAILS.") != std::string::npos;
}

std::string FileCopyStage::target(const std::string& archivo, const std::string& destino,
                                  const std::string& dirFD) {
  return isMailProgram(archivo) ? dirFD + kProgramaMails : destino + archivo;
}

FileCopyStage::RowAction FileCopyStage::actionFor(const std::string& tipo,
                                                  const std::string& destino, bool runCommands) {
  if (CommandFiles::isCommandFile(tipo, destino))
    return runCommands ? RowAction::Run : RowAction::None;
  return destino.empty() ? RowAction::None : RowAction::Copy;
}

void FileCopyStage::CopiarArchivos(CurrentFile& current) {
  const int rows = flxFile_.Rows();
  const int lastCol = flxFile_.Cols() - 1;
  // The folder the last row was copied to: rows bound for one folder look it up once, until a
  // command file runs (which may change any folder).
  std::string folderSeen;
  for (int row = 1; row < rows; ++row) {
    current.destino = trimSpaces(flxFile_.TextMatrix(row, kFileDestination));
    current.archivo = flxFile_.TextMatrix(row, kFileName);
    const std::string& destino = current.destino;
    const std::string& archivo = current.archivo;
    const std::string origen = flxFile_.TextMatrix(row, kFileSource);
    const std::string tipo = flxFile_.TextMatrix(row, kFileKind);

    log_.EscribirLog(" " + destino + archivo);
    if (!destino.empty() && destino != folderSeen && !fs_.folderExists(destino)) {
      if (backup_)
        backup_->keepFolder(destino);
      fs_.createFolder(destino);
      log_.EscribirLog(" CreateFolder " + destino);
    }
    const RowAction action = actionFor(tipo, destino, chkComandos_.Value() == 1);
    if (action == RowAction::Run) {
      txtEstado_.setText("Ejecutar " + archivo);
      desktop_.doEvents();
      folderSeen.clear();
      if (commandFiles_.EjecutarComandos(origen)) {
        flxFile_.setCellBackColor(row, kFileName, row, lastCol, colors::kLightGreen);
      } else {
        flxLog_.setTextMatrix(flxLog_.Rows() - 1, kLogMessage, "Hubo un Error");
        flxFile_.setCellBackColor(row, kFileName, row, lastCol, colors::kLightRed);
      }
    } else if (action == RowAction::Copy) {
      txtEstado_.setText("Copiando " + archivo);
      desktop_.doEvents();
      const std::string targetPath = target(archivo, destino, txtDirFD_.Text());
      if (backup_)
        backup_->keep(targetPath, origen);
      fs_.copyFile(origen, targetPath, true);
      folderSeen = destino;
      if (isMailProgram(archivo))
        log_.plainLine("CopyFile " + origen + " " + targetPath);
      flxFile_.setCellBackColor(row, kFileName, row, lastCol, colors::kLightGreen);
    }
    flxFile_.ShowCell(row, kFileName);
  }
}

}  // namespace fd
