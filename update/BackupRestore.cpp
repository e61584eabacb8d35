#include "update/BackupRestore.h"

#include <optional>

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "session/UpdateLog.h"
#include "update/FileBackup.h"
#include "update/MailTask.h"

namespace fd {

BackupRestore::BackupRestore(FileSystem& fs, MailTask& mail, UpdateLog& log, TextBox& txtEstado)
    : fs_(fs), mail_(mail), log_(log), txtEstado_(txtEstado) {}

std::string BackupRestore::latest(const FileSystem& fs, const std::string& pathApp) {
  // Stamps have no leading zeros and do not sort; the index written last tells.
  const std::string carpeta = pathApp + FileBackup::kCarpeta;
  std::string stamp;
  std::optional<LocalDateTime> newest;
  for (const std::string& name : fs.listFolders(carpeta)) {
    const std::string indice = FileBackup::folderOf(pathApp, name) + FileBackup::kIndice;
    if (!fs.fileExists(indice))
      continue;
    const LocalDateTime when = fs.lastModified(indice);
    if (!newest || when >= *newest) {
      newest = when;
      stamp = name;
    }
  }
  return stamp;
}

BackupRestore::Result BackupRestore::restore(const std::string& folder) {
  const std::vector<FileBackup::Entry> entries = FileBackup::read(fs_, folder);
  log_.EscribirLog(" Restaurar " + folder);
  Result result;
  if (!mail_.DetenerTareaMails()) {
    result.mailStopped = false;
    return result;
  }
  for (const FileBackup::Entry& entry : entries) {
    try {
      if (entry.isNew) {
        txtEstado_.setText("Eliminando " + entry.original);
        if (fs_.fileExists(entry.original))
          fs_.removeFile(entry.original);
        log_.EscribirLog(" Eliminado " + entry.original);
      } else {
        txtEstado_.setText("Restaurando " + entry.original);
        // The copy is written beside the file and renamed over it, so nothing is half-written.
        fs_.copyFile(FileBackup::keptPath(folder, entry.original), entry.original, true);
        log_.EscribirLog(" Restaurado " + entry.original);
      }
    } catch (const AppError& error) {
      const std::string why = "(" + std::to_string(error.number()) + ") " + error.description();
      log_.EscribirLog(" ERROR no se pudo restaurar " + entry.original + " " + why);
      result.failed.push_back(entry.original + " " + why);
    }
  }
  mail_.IniciarTareaMails();
  return result;
}

}  // namespace fd
