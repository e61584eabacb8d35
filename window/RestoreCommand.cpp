#include "window/RestoreCommand.h"

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
  const std::string folder = FileBackup::folderOf(pathApp, chosen);
  // The command line has checked a stamp's form; one that names no backup is refused here.
  if (chosen.empty() || !services.fs.fileExists(folder + FileBackup::kIndice)) {
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
    sendChildrenOutputToLog();
    MailTask mail(services.processes, services.clock, services.desktop, form_.log, form_.txtEstado,
                  form_.Enabled);
    const BackupRestore::Result result =
        BackupRestore(services.fs, services.processes, mail, form_.log, form_.txtEstado)
            .restore(pathApp, folder);
    if (!result.mailStopped)
      return failed("No se pudo detener la tarea de envío de mails; no se restauró nada");
    if (!result.failed.empty()) {
      for (const std::string& file : result.failed)
        out_ << "  " << file << std::endl;
      return failed(result.refused
                        ? "El respaldo " + chosen + " tiene " +
                              std::to_string(result.failed.size()) +
                              " entradas que no se pueden restaurar; no se restauró nada"
                        : "No se pudieron restaurar " + std::to_string(result.failed.size()) +
                              " archivos del respaldo " + chosen);
    }
  } catch (const AppError& error) {
    return failed("(" + std::to_string(error.number()) + ") " + error.description());
  }
  const std::string finished = "Restauración terminada: " + folder;
  form_.log.EscribirLog(" " + finished);
  return {kDone, finished};
}

}  // namespace fd
