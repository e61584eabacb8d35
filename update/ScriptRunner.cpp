#include "update/ScriptRunner.h"

#include <chrono>
#include <optional>

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/Desktop.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"
#include "update/ScriptLogReader.h"
#include "update/ScriptParameters.h"

namespace fd {

namespace {
constexpr const char* kMarcaMantenimiento = "MANTEN";
constexpr const char* kMarcaCambioDeClaves = "CambioDeClavesSQL";
constexpr const char* kNoSePudoEjecutar = "No se pudo ejecutar";

std::string inQuotes(const std::string& text) {
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

std::string ScriptRunner::commandForLog(const std::string& comando, const std::string& clave) {
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

std::string ScriptRunner::namesFault(const UpdaterState& state) {
  if (const std::string fault = serverNameFault(state.mServidor); !fault.empty())
    return "el servidor " + printableName(state.mServidor) + " " + fault;
  if (const std::string fault = databaseNameFault(state.mCatalogo); !fault.empty())
    return "la base " + printableName(state.mCatalogo) + " " + fault;
  return "";
}

std::string ScriptRunner::commandLine(const UpdaterState& state, const std::string& clave,
                                      const std::string& script, const std::string& salida) {
  return inQuotes(state.mISQL) + " -S " + commandLineWord(state.mServidor) + " -d " +
         commandLineWord(state.mCatalogo) + " -U " + kUsuarioSQL + " -P " + clave + " -i " +
         inQuotes(script) + " -o " + inQuotes(salida);
}

std::string ScriptRunner::EjecutarPaquete(const std::string& script, int row) {
  log_.EscribirLog(" EjecutarPaquete " + script);
  // The server and the database go into a maintenance script as they stand.
  if (const std::string fault = namesFault(state_); !fault.empty()) {
    log_.EscribirLog(" ERROR No se pudo ejecutar: " + fault);
    return showOutcome(row, kNoSePudoEjecutar);
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
  log_.EscribirLog(" " + commandForLog(comando, clave));

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
    flxLog_.setTextMatrix(flxLog_.Rows() - 1, kLogMessage, mensaje);
    flxScrp_.setCellBackColor(row, kScriptName, row, lastCol, colors::kLightRed);
  } else {
    flxScrp_.setCellBackColor(row, kScriptName, row, lastCol, colors::kLightGreen);
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
