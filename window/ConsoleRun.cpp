#include "window/ConsoleRun.h"

#include <algorithm>
#include <ostream>

#include "databases/ServerConnection.h"
#include "grid/Grid.h"
#include "platform/AppError.h"
#include "platform/Database.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "update/BackupRestore.h"
#include "update/CommandFiles.h"
#include "update/FileBackup.h"
#include "update/FileCopyStage.h"
#include "update/MailTask.h"
#include "update/ScriptRunner.h"
#include "update/SqlToolDiscovery.h"
#include "update/UsersCheck.h"
#include "window/ConsoleDesktop.h"
#include "window/frmActualiza1.h"

namespace fd {

namespace {
constexpr const char* kTermino = "Terminó la Actualización";

std::string oneLine(const std::string& text) {
  return replaceAll(replaceAll(text, "\r\n", " "), "\n", " ");
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items)
    text += (text.empty() ? "" : ", ") + item;
  return text;
}
}  // namespace

ConsoleRun::ConsoleRun(frmActualiza1& form, ConsoleDesktop& desktop, std::ostream& out,
                       std::ostream& err)
    : form_(form), desktop_(desktop), out_(out), err_(err) {
  form_.txtEstado.addListener([this] {
    if (!form_.txtEstado.Text().empty())
      out_ << form_.txtEstado.Text() << std::endl;
  });
  desktop_.setLog(&form_.log);
}

int ConsoleRun::fail(const std::string& reason) {
  if (!form_.log.path().empty()) {
    try {
      form_.log.EscribirLog(" ERROR " + reason);
    } catch (const AppError&) {
      // The reason still ends the output.
    }
  }
  out_ << "ERROR: " << reason << std::endl;
  return kFailed;
}

void ConsoleRun::say(const std::string& line) {
  out_ << line << std::endl;
  form_.log.EscribirLog(" " + line);
}

int ConsoleRun::prepare(const ProgramArguments& arguments) {
  if (!form_.Form_Load())
    return fail("No se pudo iniciar el Actualizador");
  if (!chooseDatabases(arguments))
    return kBadCommandLine;
  if (form_.flxRar.Rows() <= 1)
    return fail("No hay ninguna Actualización");
  const std::size_t boxes = desktop_.boxes().size();
  form_.cmdDes_Click();
  if (desktop_.boxes().size() != boxes)
    return fail(oneLine(desktop_.boxes().back().prompt));
  tickStages(arguments);
  if (form_.chkScripts.Value() == 1 && form_.flxScrp.Rows() > 1 && !anyDatabaseTicked())
    return fail("No hay ninguna base de datos marcada para ejecutar los scripts");
  return kDone;
}

bool ConsoleRun::chooseDatabases(const ProgramArguments& arguments) {
  if (arguments.databases.empty())
    return true;
  Grid& bases = form_.flxBases;
  for (const std::string& name : arguments.databases) {
    bool listed = false;
    for (int row = 1; row < bases.Rows() && !listed; ++row)
      listed = equalsNoCase(bases.TextMatrix(row, kBasesName), name);
    if (!listed) {
      err_ << "La base de datos " << name << " no está en el servidor " << form_.txtServidor.Text()
           << "; no se actualizó nada." << std::endl;
      return false;
    }
  }
  for (int row = 1; row < bases.Rows(); ++row) {
    const bool named = std::any_of(arguments.databases.begin(), arguments.databases.end(),
                                   [&](const std::string& name) {
                                     return equalsNoCase(bases.TextMatrix(row, kBasesName), name);
                                   });
    bases.setCellChecked(row, kBasesTicked, row, kBasesTicked, named ? kChecked : kUnchecked);
  }
  return true;
}

void ConsoleRun::tickStages(const ProgramArguments& arguments) {
  form_.chkFiles.setValue(arguments.noFiles ? 0 : 1);
  form_.chkComandos.setValue(arguments.noCommandFiles ? 0 : 1);
  form_.chkScripts.setValue(arguments.noScripts ? 0 : 1);
}

bool ConsoleRun::anyDatabaseTicked() const {
  for (int row = 1; row < form_.flxBases.Rows(); ++row) {
    if (form_.flxBases.CellChecked(row, kBasesTicked) == kChecked)
      return true;
  }
  return false;
}

int ConsoleRun::unattended(const ProgramArguments& arguments) {
  if (const int code = prepare(arguments); code != kDone)
    return code;
  const std::size_t boxes = desktop_.boxes().size();
  const int firstRow = form_.flxLog.Rows();
  form_.cmdAct_Click();

  const auto& shown = desktop_.boxes();
  if (shown.size() == boxes)
    return fail("La actualización no terminó");
  if (shown.back().prompt != kTermino) {
    if (shown.back().answer == msgbox::kNo) {
      return fail(
          "Hay otros usuarios conectados: no se ejecutaron los scripts (use "
          "/usuarios:continuar para seguir igual)");
    }
    return fail(oneLine(shown.back().prompt));
  }
  // A failed command file or script leaves its message beside its status row.
  std::vector<std::string> errores;
  for (int row = firstRow; row < form_.flxLog.Rows(); ++row) {
    if (!form_.flxLog.TextMatrix(row, kLogMessage).empty())
      errores.push_back(form_.flxLog.TextMatrix(row, kLogStatus));
  }
  if (!errores.empty())
    return fail("La actualización terminó con errores en: " + joined(errores));
  out_ << kTermino << std::endl;
  return kDone;
}

int ConsoleRun::dryRun(const ProgramArguments& arguments) {
  if (const int code = prepare(arguments); code != kDone)
    return code;
  say("Simulación: la actualización haría lo siguiente, sin cambiar nada");
  if (form_.chkFiles.Value() == 1)
    describeFileStage();
  if (form_.chkScripts.Value() == 1 && form_.flxScrp.Rows() > 1 && !describeScripts())
    return fail("No se encontró la herramienta de consultas osql.exe");
  say("Fin de la simulación");
  return kDone;
}

void ConsoleRun::describeFileStage() {
  Services& services = form_.services;
  say("Detener la tarea de envío de mails: " + std::string(MailTask::kComandoDetener));
  CommandFiles commandFiles({form_.txtDirIni, form_.txtDirFD, form_.txtCom}, services.fs,
                            services.processes, services.desktop, form_.log);
  const Grid& files = form_.flxFile;
  for (int row = 1; row < files.Rows(); ++row) {
    const std::string destino = trimSpaces(files.TextMatrix(row, kFileDestination));
    const std::string archivo = files.TextMatrix(row, kFileName);
    const std::string origen = files.TextMatrix(row, kFileSource);
    const std::string tipo = files.TextMatrix(row, kFileKind);
    if ((tipo == ".bat" || tipo == ".cfd") && destino.empty()) {
      if (form_.chkComandos.Value() != 1)
        continue;
      say("Ejecutar el archivo de comandos " + origen + ":");
      try {
        for (const std::string& line : commandFiles.substitutedLines(origen))
          say("    " + line);
      } catch (const AppError& error) {
        say("    no se puede leer: (" + std::to_string(error.number()) + ") " +
            error.description());
      }
    } else if (!destino.empty()) {
      const std::string target = FileCopyStage::target(archivo, destino, form_.txtDirFD.Text());
      say("Copiar " + origen + " a " + target +
          (services.fs.fileExists(target) ? " (reemplaza)" : " (nuevo)"));
    }
  }
  say("Iniciar la tarea de envío de mails: " + std::string(MailTask::kComandoIniciar));
}

bool ConsoleRun::describeScripts() {
  Services& services = form_.services;
  UpdaterState& state = form_.state;
  if (!ConseguirPathISQL(state.mISQL, services.registry, services.fs, form_.log, services.desktop))
    return false;
  state.mServidor = form_.txtServidor.Text();
  state.mProveedor = kProveedor;
  UsersCheck users(state, services.databases, services.desktop, form_.log, form_.txtEstado);
  std::string clave = state.mClave;
  for (int base = 1; base < form_.flxBases.Rows(); ++base) {
    if (form_.flxBases.CellChecked(base, kBasesTicked) != kChecked)
      continue;
    state.mCatalogo = form_.flxBases.TextMatrix(base, kBasesName);
    std::string usuarios;
    try {
      users.ConectarBase();
      usuarios = users.countUsers();
      usuarios = (usuarios.empty() ? "0" : usuarios) + " sesiones de " + kUsuarioSQL;
    } catch (const AppError& error) {
      usuarios = "no se pudo conectar: " + oneLine(error.description());
    }
    if (state.mConexion) {
      state.mConexion->close();
      state.mConexion.reset();
    }
    say("Base de datos " + state.mCatalogo + ": " + usuarios);
    for (int row = 1; row < form_.flxScrp.Rows(); ++row) {
      const std::string script = form_.flxScrp.TextMatrix(row, kScriptSource);
      const std::string comando =
          ScriptRunner::commandLine(state, clave, script, ScriptRunner::outputOf(script));
      say("Ejecutar " + ScriptRunner::commandForLog(comando, clave));
      clave = ScriptRunner::passwordAfter(script, clave);
    }
  }
  return true;
}

int ConsoleRun::restore(const std::string& stamp) {
  Services& services = form_.services;
  std::string pathApp = services.programFolder;
  if (!pathApp.ends_with('\\'))
    pathApp += "\\";
  const std::string chosen = stamp.empty() ? BackupRestore::latest(services.fs, pathApp) : stamp;
  const bool digits = !chosen.empty() && std::all_of(chosen.begin(), chosen.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
  const std::string folder = FileBackup::folderOf(pathApp, chosen);
  if (!digits || !services.fs.fileExists(folder + FileBackup::kIndice)) {
    err_ << (stamp.empty()
                 ? "No hay ningún respaldo en " + pathApp + FileBackup::kCarpeta
                 : "No existe el respaldo " + stamp + " en " + pathApp + FileBackup::kCarpeta)
         << "; no se restauró nada." << std::endl;
    return kBadCommandLine;
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
      return fail("No se pudo detener la tarea de envío de mails; no se restauró nada");
    if (!result.failed.empty()) {
      for (const std::string& file : result.failed)
        out_ << "  " << file << std::endl;
      return fail("No se pudieron restaurar " + std::to_string(result.failed.size()) +
                  " archivos del respaldo " + chosen);
    }
  } catch (const AppError& error) {
    return fail("(" + std::to_string(error.number()) + ") " + error.description());
  }
  say("Restauración terminada: " + folder);
  return kDone;
}

}  // namespace fd
