#include "window/RestoreCommand.h"

#include <algorithm>
#include <ostream>

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "session/GridSetup.h"
#include "update/BackupRestore.h"
#include "update/FileBackup.h"
#include "update/MailTask.h"
#include "window/frmActualiza1.h"

namespace fd {

ConsoleCommand::Outcome RestoreCommand::execute() {
  Services& services = form_.services;
  std::string pathApp = services.programFolder;
  if (!pathApp.ends_with('\\'))
    pathApp += "\\";
  const std::string chosen = stamp_.empty() ? BackupRestore::latest(services.fs, pathApp) : stamp_;
  const bool digits = !chosen.empty() && std::all_of(chosen.begin(), chosen.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
  const std::string folder = FileBackup::folderOf(pathApp, chosen);
  if (!digits || !services.fs.fileExists(folder + FileBackup::kIndice)) {
    return {kBadCommandLine,
            (stamp_.empty()
                 ? "No hay ningún respaldo en " + pathApp + FileBackup::kCarpeta
                 : "No existe el respaldo " + stamp_ + " en " + pathApp + FileBackup::kCarpeta) +
                "; no se restauró nada."};
  }
  // Without start-up, the log grid that the status texts fill is set up here.
  ConfigurarLog(form_.flxLog);
  try {
    form_.log.create(pathApp + UpdateLog::fileName(UpdateLog::stampNow(services.clock)));
    MailTask mail(services.processes, services.clock, services.desktop, form_.log, form_.txtEstado,
                  form_.Enabled);
    const BackupRestore::Result result =
        BackupRestore(services.fs, mail, form_.log, form_.txtEstado).restore(folder);
    if (!result.mailStopped)
      return failed("No se pudo detener la tarea de envío de mails; no se restauró nada");
    if (!result.failed.empty()) {
      for (const std::string& file : result.failed)
        out_ << "  " << file << std::endl;
      return failed("No se pudieron restaurar " + std::to_string(result.failed.size()) +
                    " archivos del respaldo " + chosen);
    }
  } catch (const AppError& error) {
    return failed("(" + std::to_string(error.number()) + ") " + error.description());
  }
  const std::string terminada = "Restauración terminada: " + folder;
  form_.log.EscribirLog(" " + terminada);
  return {kDone, terminada};
}

}  // namespace fd
