#include "update/ScriptRunner.h"

#include <chrono>
#include <optional>

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"
#include "update/ScriptLogReader.h"
#include "update/ScriptParameters.h"

namespace fd {

namespace {
constexpr const char* kMarcaMantenimiento = "MANTEN";
constexpr const char* kMarcaCambioDeClaves = "CambioDeClavesSQL";
constexpr const char* kNoSePudoEjecutar = "No se pudo ejecutar";

std::string entreComillas(const std::string& text) {
  return "\"" + text + "\"";
}
}  // namespace

ScriptRunner::ScriptRunner(UpdaterState& state, Grid& flxScrp, Grid& flxLog, const FileSystem& fs,
                           Processes& processes, Clock& clock, Desktop& desktop, UpdateLog& log,
                           ScriptParameters& parameters)
    : state_(state),
      flxScrp_(flxScrp),
      flxLog_(flxLog),
      fs_(fs),
      processes_(processes),
      clock_(clock),
      desktop_(desktop),
      log_(log),
      parameters_(parameters) {}

std::string ScriptRunner::comandoParaLog(const std::string& comando, const std::string& clave) {
  return replaceAll(comando, " -P " + clave + " -i ", " -P ******** -i ");
}

std::string ScriptRunner::outputOf(const std::string& script) {
  return dropRightBytes(script, 4) + replaceAll(toLower(rightBytes(script, 4)), ".sql", ".log");
}

std::string ScriptRunner::passwordAfter(const std::string& script, const std::string& clave) {
  return script.find(kMarcaCambioDeClaves) != std::string::npos && clave == kClaveAnterior
             ? kClaveActual
             : clave;
}

std::string ScriptRunner::commandLine(const UpdaterState& state, const std::string& clave,
                                      const std::string& script, const std::string& salida) {
  return entreComillas(state.mISQL) + " -S " + state.mServidor + " -d " + state.mCatalogo + " -U " +
         kUsuarioSQL + " -P " + clave + " -i " + entreComillas(script) + " -o " +
         entreComillas(salida);
}

std::string ScriptRunner::EjecutarPaquete(const std::string& script, int row) {
  log_.EscribirLog(" EjecutarPaquete " + script);
  // The server and the database go into a maintenance script and on the tool's command line
  // as they stand.
  for (const std::string& fault :
       {serverNameFault(state_.mServidor), databaseNameFault(state_.mCatalogo)}) {
    if (!fault.empty()) {
      log_.EscribirLog(" ERROR No se pudo ejecutar: el nombre " + fault);
      return showOutcome(row, kNoSePudoEjecutar);
    }
  }
  // The mark counts from the second character on.
  if (toUpper(script).find(kMarcaMantenimiento, 1) != std::string::npos) {
    parameters_.ReemplazarParametros(script, state_.mCatalogo, state_.mServidor);
  }
  std::string mensaje;
  const std::string salida = outputOf(script);
  const std::string clave = state_.mClave;
  const std::string comando = commandLine(state_, clave, script, salida);
  // The password-change script itself still runs under the legacy password.
  state_.mClave = passwordAfter(script, state_.mClave);
  log_.EscribirLog(" " + comandoParaLog(comando, clave));

  if (EjecutarYEsperar(comando)) {
    mensaje = LeerLog(salida, fs_, log_);
  } else {
    log_.EscribirLog(" ERROR No se pudo ejecutar");
    mensaje = kNoSePudoEjecutar;
  }

  return showOutcome(row, mensaje);
}

std::string ScriptRunner::showOutcome(int row, const std::string& mensaje) {
  const int lastCol = flxScrp_.Cols() - 1;
  if (!mensaje.empty()) {
    flxLog_.setTextMatrix(flxLog_.Rows() - 1, 2, mensaje);
    flxScrp_.setCellBackColor(row, 1, row, lastCol, colors::kLightRed);
  } else {
    flxScrp_.setCellBackColor(row, 1, row, lastCol, colors::kLightGreen);
  }
  return mensaje;
}

bool ScriptRunner::EjecutarYEsperar(const std::string& comando) {
  const int pid = processes_.start(comando, WindowState::MinimizedNoFocus);
  std::optional<int> code;
  do {
    code = processes_.exitCode(pid);
    // A process that cannot be watched has not been seen to succeed.
    if (!code)
      return false;
    desktop_.doEvents();
    clock_.sleep(std::chrono::milliseconds(100));
  } while (*code == kStillActive);
  return *code == 0;
}

}  // namespace fd
