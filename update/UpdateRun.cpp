#include "update/UpdateRun.h"

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/Database.h"
#include "platform/Desktop.h"
#include "session/Esperar.h"
#include "session/GridSetup.h"
#include "session/Services.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"
#include "update/CommandFiles.h"
#include "update/FileBackup.h"
#include "update/MailTask.h"
#include "update/ScriptParameters.h"
#include "update/ScriptRunner.h"
#include "update/SqlToolDiscovery.h"
#include "update/UsersCheck.h"

namespace fd {

namespace {
constexpr double kPausa = 2;
}  // namespace

UpdateRun::UpdateRun(UpdateRunControls controls, UpdaterState& state, Services& services,
                     UpdateLog& log)
    : c_(controls), state_(state), services_(services), log_(log) {}

void UpdateRun::checkStop() const {
  if (stopRequested_)
    throw Stopped{};
}

UpdateRun::Outcome UpdateRun::run(const UpdateRunOptions& options) {
  using Ending = Outcome::Ending;
  stopRequested_ = false;
  const int firstRow = c_.flxLog.Rows();
  int paso = 1;
  bool mailStopped = false;
  CurrentFile current;
  try {
    log_.EscribirLog(" Actualizar");
    log_.EscribirLog(" Copiar Archivos a su destino");
    paso = 2;
    paso = 3;
    if (c_.chkFiles.Value() == 1) {
      log_.EscribirLog(" Copiar Archivos a su destino");
      MailTask mail(services_.processes, services_.clock, services_.desktop, log_, c_.txtEstado,
                    c_.windowEnabled);
      if (!mail.DetenerTareaMails())
        return {Ending::Failed, MailTask::kCannotStopMessage, {}};
      // From here a failure goes to the trap with the task still stopped: a half-updated
      // installation must not send mails.
      mailStopped = true;
      FileBackup backup(services_.fs, log_, state_.mPathApp,
                        state_.backupStamp.empty() ? FileBackup::stampOf(services_.clock.now())
                                                   : state_.backupStamp);
      CommandFiles commandFiles({c_.txtDirIni, c_.txtDirFD, c_.txtCom}, services_.fs,
                                services_.processes, services_.desktop, log_, &backup);
      FileCopyStage stage(c_.flxFile, c_.flxLog, c_.chkComandos, c_.txtDirFD, c_.txtEstado,
                          services_.fs, services_.desktop, log_, commandFiles, &backup);
      stage.CopiarArchivos(current);
      mail.IniciarTareaMails();
      mailStopped = false;
    }
    checkStop();
    paso = 4;
    Esperar(services_.clock, services_.desktop, kPausa);
    checkStop();
    paso = 5;
    if (c_.chkScripts.Value() == 1) {
      log_.EscribirLog(" Ejecutar scripts");
      log_.EscribirLog(" Conseguir path de osql o isql");
      if (!ConseguirPathISQL(state_.mISQL, services_.registry, services_.fs, log_,
                             services_.desktop)) {
        releaseConnection();
        return {Ending::Failed, kQueryToolNotFoundMessage, {}};
      }
      if (!scripts(paso, current, options))
        return {Ending::UsersDeclined, "", {}};
      if (stopRequested_)
        return {Ending::Stopped, "", {}};
    }
    paso = 6;
    c_.txtEstado.setText("Terminó");
    paso = 7;
    log_.EscribirLog(" FIN Actualizar");
    paso = 8;
    services_.desktop.msgBox("Terminó la Actualización", msgbox::kInformation, "Fendal");
    paso = 9;
    releaseConnection();
    return {Ending::Done, "", failedStepsFrom(firstRow)};
  } catch (const Stopped&) {
    releaseConnection();
    return {Ending::Stopped, "", {}};
  } catch (const AppError& error) {
    std::string message = reportFailure(error, paso, current);
    releaseConnection();
    return {Ending::Failed, std::move(message), {}, mailStopped};
  }
}

std::vector<std::string> UpdateRun::failedStepsFrom(int firstRow) const {
  // A failed command file or script leaves its message beside its status row.
  std::vector<std::string> steps;
  for (int row = firstRow; row < c_.flxLog.Rows(); ++row) {
    if (!c_.flxLog.TextMatrix(row, kLogMessage).empty())
      steps.push_back(c_.flxLog.TextMatrix(row, kLogStatus));
  }
  return steps;
}

bool UpdateRun::scripts(int& paso, CurrentFile& current, const UpdateRunOptions& options) {
  state_.mServidor = c_.txtServidor.Text();
  state_.mProveedor = kProveedor;
  ScriptParameters parameters(services_.fs, log_);
  UsersCheck users(state_, services_.databases, services_.desktop, log_, c_.txtEstado,
                   options.continueWithOtherUsers);
  ScriptRunner runner(state_, c_.flxScrp, c_.flxLog, services_.fs, services_.processes,
                      services_.clock, services_.desktop, log_, parameters);
  const int bases = c_.flxBases.Rows();
  for (int base = 1; base < bases; ++base) {
    if (c_.flxBases.CellChecked(base, kBasesTicked) != kChecked)
      continue;
    checkStop();
    if (c_.flxScrp.Rows() > 1) {
      c_.flxScrp.setCellBackColor(1, kScriptName, c_.flxScrp.Rows() - 1, c_.flxScrp.Cols() - 1,
                                  colors::kWhite);
    }
    state_.mCatalogo = c_.flxBases.TextMatrix(base, kBasesName);
    users.ConectarBase();
    if (!users.RevisarUsuariosConectados()) {
      // The user declined: the run ends here, without its final message.
      return false;
    }
    Esperar(services_.clock, services_.desktop, kPausa);
    const int scripts = c_.flxScrp.Rows();
    for (int row = 1; row < scripts; ++row) {
      checkStop();
      current.archivo = c_.flxScrp.TextMatrix(row, kScriptName);
      c_.txtEstado.setText(state_.mCatalogo + ": Ejecutar " + current.archivo);
      services_.desktop.doEvents();
      runner.EjecutarPaquete(c_.flxScrp.TextMatrix(row, kScriptSource), row);
      c_.flxScrp.ShowCell(row, kScriptName);
    }
    state_.mConexion->close();
    state_.mConexion.reset();
  }
  paso = 5;
  c_.flxLog.setAutoSizeMode(AutoSizeMode::RowHeights);
  c_.flxLog.AutoSize(kLogStatus, c_.flxLog.Cols() - 1, 90);
  c_.flxLog.setAutoSizeMode(AutoSizeMode::ColumnWidths);
  return true;
}

void UpdateRun::releaseConnection() {
  if (state_.mConexion && state_.mConexion->state() != kStateClosed) {
    try {
      state_.mConexion->close();
    } catch (const AppError&) {
      // The connection is being dropped anyway.
    }
  }
  state_.mConexion.reset();
}

std::string UpdateRun::reportFailure(const AppError& error, int paso, const CurrentFile& current) {
  if (error.number() == err::kFileNotFound) {
    const std::string message =
        "Error " + std::to_string(error.number()) + ". El archivo " + current.destino +
        current.archivo +
        " no se puede REEMPLAZAR. Revise en Mi PC -> Administrar -> Carpetas Compartidas -> "
        "Archivos Abiertos. Parese sobre el archivo y con botón derecho obligue el CIERRE "
        "del mismo.";
    services_.desktop.msgBox(message, msgbox::kInformation, "");
    return message;
  }
  const std::string message = "Actualizar : (" + std::to_string(error.number()) +
                              "). Línea : " + std::to_string(paso) + ". " + error.description();
  services_.desktop.msgBox(message, msgbox::kQuestion, "");
  return message;
}

}  // namespace fd
