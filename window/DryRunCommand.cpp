#include "window/DryRunCommand.h"

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/AppError.h"
#include "platform/CommandLine.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "update/CommandFiles.h"
#include "update/FileCopyStage.h"
#include "update/MailTask.h"
#include "update/ScriptRunner.h"
#include "update/SqlToolDiscovery.h"
#include "update/UsersCheck.h"
#include "window/frmActualiza1.h"

namespace fd {

ConsoleCommand::Outcome DryRunCommand::execute() {
  if (std::optional<Outcome> unprepared = prepare())
    return *unprepared;
  say("Simulación: la actualización haría lo siguiente, sin cambiar nada");
  if (form_.chkFiles.Value() == 1)
    describeFileStage();
  if (form_.chkScripts.Value() == 1 && form_.flxScrp.Rows() > 1) {
    if (std::optional<Outcome> refused = describeScripts())
      return *refused;
  }
  if (const std::optional<std::string> packages = failedPackages())
    return failed(*packages);
  const std::string lastLine = "Fin de la simulación";
  form_.log.EscribirLog(" " + lastLine);
  return {kDone, lastLine};
}

void DryRunCommand::describeFileStage() {
  Services& services = form_.services;
  say("Detener la tarea de envío de mails: " + std::string(MailTask::kComandoDetener));
  CommandFiles commandFiles({form_.txtDirIni, form_.txtDirFD, form_.txtCom}, services.fs,
                            services.processes, services.desktop, form_.log);
  const Grid& files = form_.flxFile;
  for (int row = 1; row < files.Rows(); ++row) {
    const std::string destination = trimSpaces(files.TextMatrix(row, kFileDestination));
    const std::string name = files.TextMatrix(row, kFileName);
    const std::string source = files.TextMatrix(row, kFileSource);
    const std::string kind = files.TextMatrix(row, kFileKind);
    const FileCopyStage::RowAction action =
        FileCopyStage::actionFor(kind, destination, form_.chkComandos.Value() == 1);
    if (action == FileCopyStage::RowAction::Run) {
      // A batch file runs as its substituted copy, which the run starts as it is.
      say("Ejecutar el archivo de comandos " + source +
          (kind == ".bat"
               ? " como " + joinCommandLine({CommandFiles::substitutedCopy(source)}) + ":"
               : ":"));
      try {
        for (const std::string& line : commandFiles.substitutedLines(source))
          say("    " + line);
      } catch (const AppError& error) {
        say("    no se puede leer: (" + std::to_string(error.number()) + ") " +
            error.description());
      }
    } else if (action == FileCopyStage::RowAction::Copy) {
      const std::string target = FileCopyStage::target(name, destination, form_.txtDirFD.Text());
      say("Copiar " + source + " a " + target +
          (services.fs.fileExists(target) ? " (reemplaza)" : " (nuevo)"));
    }
  }
  say("Iniciar la tarea de envío de mails: " + std::string(MailTask::kComandoIniciar));
}

std::optional<ConsoleCommand::Outcome> DryRunCommand::describeScripts() {
  Services& services = form_.services;
  UpdaterState& state = form_.state;
  if (!ConseguirPathISQL(state.mISQL, services.registry, services.fs, form_.log, services.desktop))
    return failed("No se encontró la herramienta de consultas osql.exe");
  state.mServidor = form_.txtServidor.Text();
  state.mProveedor = kProveedor;
  UsersCheck users(state, services.databases, services.desktop, form_.log, form_.txtEstado);
  std::string password = state.mClave;
  for (int databaseRow = 1; databaseRow < form_.flxBases.Rows(); ++databaseRow) {
    if (form_.flxBases.CellChecked(databaseRow, kBasesTicked) != kChecked)
      continue;
    state.mCatalogo = form_.flxBases.TextMatrix(databaseRow, kBasesName);
    // What the run refuses, before it connects or starts the query tool.
    if (const std::string fault = ScriptRunner::namesFault(state); !fault.empty()) {
      say("No se ejecutarían los scripts: " + fault);
      continue;
    }
    // Where the run would end at this database, it ends here too.
    std::string sessions;
    try {
      users.ConectarBase();
      sessions = users.countUsers();
    } catch (const AppError& error) {
      closeConnection();
      return failed("La actualización se detendría en la base de datos " + state.mCatalogo + ": (" +
                    std::to_string(error.number()) + ") " + oneLine(error.description()));
    }
    closeConnection();
    say("Base de datos " + state.mCatalogo + ": " + (sessions.empty() ? "0" : sessions) +
        " sesiones de " + kUsuarioSQL);
    if (UsersCheck::othersConnected(sessions) && !runOptions().continueWithOtherUsers) {
      return failed(
          "Hay otros usuarios conectados: la actualización no ejecutaría los scripts (use "
          "/usuarios:continuar para seguir igual)");
    }
    for (int row = 1; row < form_.flxScrp.Rows(); ++row) {
      const std::string script = form_.flxScrp.TextMatrix(row, kScriptSource);
      const std::string command =
          ScriptRunner::commandLine(state, password, script, ScriptRunner::outputOf(script));
      say("Ejecutar " + ScriptRunner::commandForLog(command, password));
      password = ScriptRunner::passwordAfter(script, password);
    }
  }
  return std::nullopt;
}

void DryRunCommand::closeConnection() {
  std::unique_ptr<Connection>& connection = form_.state.mConexion;
  // A connection that never opened has nothing to close.
  if (connection && connection->state() != kStateClosed) {
    try {
      connection->close();
    } catch (const AppError&) {
      // It is dropped anyway.
    }
  }
  connection.reset();
}

}  // namespace fd
