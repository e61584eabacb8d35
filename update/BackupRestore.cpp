#include "update/BackupRestore.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"
#include "update/FileBackup.h"
#include "update/MailTask.h"

namespace fd {

namespace {

using Kind = FileBackup::Entry::Kind;

std::string why(const AppError& error) {
  return "(" + std::to_string(error.number()) + ") " + error.description();
}

// Why an entry cannot be restored; empty when it can. Only what the backup itself could have
// written passes: a full path as the backup resolves it, outside the backups, a kept copy that
// is a file of the size recorded, a new file still as the run left it.
std::string refusal(const FileSystem& fs, const std::string& pathApp, const std::string& folder,
                    const FileBackup::Entry& entry) {
  if (entry.kind == Kind::Unknown)
    return "línea del índice no reconocida";
  if (entry.original.empty() || entry.original != FileBackup::resolve(entry.original, pathApp))
    return "no es una ruta completa";
  if (toUpper(entry.original + "\\").starts_with(toUpper(pathApp + FileBackup::kCarpeta)))
    return "está en la carpeta de los respaldos";
  if (entry.kind == Kind::Folder)
    return fs.fileExists(entry.original) ? "es un archivo, no una carpeta" : "";
  if (fs.folderExists(entry.original))
    return "es una carpeta";
  if (entry.kind == Kind::New) {
    if (!entry.sized)
      return "no tiene registrado su tamaño";
    if (fs.fileExists(entry.original) && fs.fileSize(entry.original) != entry.size)
      return "cambió después de la actualización";
    return "";
  }
  // Only the attributes and the size are read: a kept copy may be large.
  const std::string kept = FileBackup::keptPath(folder, entry.original);
  try {
    if (!fs.fileExists(kept) && !fs.folderExists(kept))
      return "falta la copia guardada";
    if (fs.attributes(kept) & (attr::kDirectory | attr::kReparsePoint))
      return "la copia guardada no es un archivo";
    return fs.fileSize(kept) == entry.size ? "" : "la copia guardada no tiene el tamaño registrado";
  } catch (const AppError&) {
    return "falta la copia guardada";
  }
}

}  // namespace

BackupRestore::BackupRestore(FileSystem& fs, Processes& processes, MailTask& mail, UpdateLog& log,
                             TextBox& txtEstado)
    : fs_(fs), processes_(processes), mail_(mail), log_(log), txtEstado_(txtEstado) {}

std::string BackupRestore::latest(const FileSystem& fs, const std::string& pathApp) {
  std::string newest;
  for (const std::string& name : fs.listFolders(pathApp + FileBackup::kCarpeta)) {
    if (FileBackup::isBackupName(name) &&
        fs.fileExists(FileBackup::folderOf(pathApp, name) + FileBackup::kIndice) &&
        (newest.empty() || FileBackup::newer(name, newest))) {
      newest = name;
    }
  }
  return newest;
}

BackupRestore::Result BackupRestore::restore(const std::string& pathApp,
                                             const std::string& folder) {
  log_.EscribirLog(" Restaurar " + folder);
  Result result;
  const std::vector<FileBackup::Entry> entries = FileBackup::read(fs_, folder);
  for (const FileBackup::Entry& entry : entries) {
    if (const std::string reason = refusal(fs_, pathApp, folder, entry); !reason.empty())
      result.failed.push_back(printableName(entry.original) + ": " + reason);
  }
  if (!result.failed.empty()) {
    for (const std::string& failure : result.failed)
      log_.EscribirLog(" ERROR no se puede restaurar " + failure);
    result.refused = true;
    return result;
  }

  if (!mail_.DetenerTareaMails())
    return {false, false, {}};
  // Gone for certain: a process list that cannot be read does not count as its absence.
  bool gone = true;
  try {
    for (const ProcessEntry& process : processes_.list())
      gone = gone && process.name != MailTask::kProceso;
  } catch (const AppError&) {
    gone = false;
  }
  if (!gone) {
    mail_.IniciarTareaMails();
    return {false, false, {}};
  }

  const auto attempt = [&](const std::string& path, auto&& action) {
    try {
      action();
    } catch (const AppError& error) {
      log_.EscribirLog(" ERROR no se pudo restaurar " + path + " " + why(error));
      result.failed.push_back(path + ": " + why(error));
    }
  };
  for (const FileBackup::Entry& entry : entries) {
    const std::string& original = entry.original;
    if (entry.kind == Kind::Kept) {
      txtEstado_.setText("Restaurando " + original);
      attempt(original, [&] {
        // The copy is written beside the file and renamed over it, so nothing is half-written.
        fs_.copyFile(FileBackup::keptPath(folder, original), original, true);
        log_.EscribirLog(" Restaurado " + original);
      });
    } else if (entry.kind == Kind::New && fs_.fileExists(original)) {
      txtEstado_.setText("Eliminando " + original);
      attempt(original, [&] {
        fs_.removeFile(original);
        log_.EscribirLog(" Eliminado " + original);
      });
    }
  }
  // The deepest folders were created last: removed first, each only when left empty.
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    const std::string& original = entry->original;
    if (entry->kind != Kind::Folder || !fs_.folderExists(original))
      continue;
    if (!fs_.listFiles(original, "*", true).empty() || !fs_.listFolders(original).empty()) {
      log_.EscribirLog(" ERROR no se pudo eliminar la carpeta " + original + ": no está vacía");
      result.failed.push_back(original + ": la carpeta no está vacía");
      continue;
    }
    attempt(original, [&] {
      fs_.removeFolder(original);
      log_.EscribirLog(" Carpeta eliminada " + original);
    });
  }
  mail_.IniciarTareaMails();
  return result;
}

}  // namespace fd
