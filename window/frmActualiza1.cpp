#include "window/frmActualiza1.h"

#include <exception>
#include <variant>
#include <vector>

#include "databases/ServerConnection.h"
#include "packages/ManifestReader.h"
#include "packages/PackageDiscovery.h"
#include "platform/AppError.h"
#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "session/Esperar.h"
#include "session/GridSetup.h"
#include "support/clsIni.h"
#include "update/FileBackup.h"
#include "window/WindowControls.h"

namespace fd {

namespace {
constexpr const char* kServidorPorDefecto = "(local)";
}  // namespace

frmActualiza1::frmActualiza1(Services services_)
    : services(std::move(services_)),
      log(services.fs, services.clock),
      extraction_(flxRar, state, services.fs, services.processes, log, services.desktop,
                  ActionButtons{cmdDes, cmdAct}, [this] { return LeerFiles(); }),
      run_({chkFiles, chkComandos, chkScripts, txtServidor, txtDirFD, txtCom, txtDirIni, txtEstado,
            Enabled, flxBases, flxFile, flxScrp, flxLog},
           state, services, log) {
  txtEstado.onChange = [this] { txtEstado_Change(); };
  flxBases.beforeEdit = [](int row, int col) { return row != 0 && col == kBasesTicked; };
  flxBases.afterEdit = [this](int row, int col) {
    if (row == 0 || col != kBasesTicked)
      return;
    bool anyTicked = false;
    for (int r = 1; r < flxBases.Rows() && !anyTicked; ++r) {
      anyTicked = flxBases.CellChecked(r, kBasesTicked) == kChecked;
    }
    setButtons(anyTicked);
  };
  for (TextBox* box : {&txtDirCom, &txtDirCon, &txtDirCRM, &txtDirMRP, &txtDirIni, &txtEstado}) {
    box->setLocked(true);
  }
  for (CheckBox* box : {&chkFiles, &chkComandos, &chkScripts})
    box->setValue(1);
  for (const ControlDescription& control : windowControls()) {
    if (control.idleOnly)
      std::visit([this](auto model) { holdBackWhileBusy(this->*model); }, control.model);
  }
  busy.addListener([this] {
    if (busy.Value() || !closePending_)
      return;
    closePending_ = false;
    if (closeWindow)
      closeWindow();
  });
}

frmActualiza1::~frmActualiza1() = default;

bool frmActualiza1::Form_Load() {
  if (showWindow)
    showWindow();
  SSTab1.setTab(0);
  ConfigurarBases(flxBases);
  ConfigurarArchivos(flxFile);
  ConfigurarScripts(flxScrp);
  ConfigurarPaquetes(flxRar);
  ConfigurarLog(flxLog);

  state.mPathApp = services.programFolder;
  if (!state.mPathApp.ends_with('\\'))
    state.mPathApp += "\\";

  txtCom.setText("Comercial");
  txtCon.setText("Contabilidad");
  txtCRM.setText("CRM");
  txtMRP.setText("MRP");
  txtIni.setText("fdCom.ini");
  txtDirFD.setText(services.suiteRoot);
  txtDirFD_Validate();

  clsIni ini(services.fs);
  state.mArchivoLog = state.mPathApp + UpdateLog::fileName(UpdateLog::stampNow(services.clock));
  state.backupStamp = FileBackup::stampOf(services.clock.now());
  try {
    log.create(state.mArchivoLog);
  } catch (const AppError& error) {
    services.desktop.msgBox("No se pudo crear el archivo de log " + state.mArchivoLog +
                                ". Mensaje: (" + std::to_string(error.number()) + ") " +
                                error.description() + ". El Actualizador se cerrará.",
                            msgbox::kCritical, "");
    return false;
  }

  std::vector<std::string> inis = services.fs.listFiles(txtDirCom.Text(), "fdCom*.ini", false);
  std::string nombreIni = inis.empty() ? txtDirCom.Text() + "fdCom.ini" : inis.front();
  log.EscribirLog(" " + nombreIni);
  state.mClave = kClaveActual;
  std::string servidor = kServidorPorDefecto;
  if (!inis.empty() && ini.LeerINI(txtDirCom.Text() + nombreIni))
    servidor = ini.Servidor();
  log.EscribirLog(" " + servidor);

  txtServidor.setText(servidor);
  txtServidor_Validate();
  CargarPaquetes();
  return true;
}

bool frmActualiza1::Form_QueryUnload() {
  // An operation under way still holds the shared state.
  if (!running())
    return true;
  requestStop();
  closePending_ = true;
  return false;
}

void frmActualiza1::Form_Unload() {
  state.mConexion.reset();
}

bool frmActualiza1::loadEvent() {
  bool loaded = false;
  return runEvent([&] { loaded = Form_Load(); }) && loaded;
}

bool frmActualiza1::runEvent(const std::function<void()>& event) {
  try {
    event();
    return true;
  } catch (const std::exception& error) {
    services.desktop.msgBox(error.what(), msgbox::kCritical, "");
    return false;
  }
}

void frmActualiza1::txtEstado_Change() {
  flxLog.setRows(flxLog.Rows() + 1);
  flxLog.setTextMatrix(flxLog.Rows() - 1, kLogStatus, txtEstado.Text());
  if (flxLog.Rows() >= 2) {
    flxLog.setAutoSizeMode(AutoSizeMode::RowHeights);
    flxLog.AutoSize(kLogStatus, flxLog.Cols() - 1, 90);
    flxLog.setAutoSizeMode(AutoSizeMode::ColumnWidths);
    flxLog.AutoSize(kLogStatus, flxLog.Cols() - 1, 90);
  }
}

void frmActualiza1::setButtons(bool enabled) {
  ActionButtons{cmdDes, cmdAct}.setEnabled(enabled);
}

void frmActualiza1::CargarPaquetes() {
  fd::CargarPaquetes(
      flxRar, state, services.fs, log,
      [this](const std::string& code) { return PathSistema(code); }, ActionButtons{cmdDes, cmdAct});
}

void frmActualiza1::RefrescarPathAplicacion() {
  fd::RefrescarPathAplicacion(flxRar,
                              [this](const std::string& code) { return PathSistema(code); });
}

void frmActualiza1::exclusively(const std::function<void()>& operation) {
  if (busy.Value())
    return;
  busy.setValue(true);
  try {
    operation();
  } catch (...) {
    // A failure no trap caught still frees the window.
    busy.setValue(false);
    throw;
  }
  busy.setValue(false);
}

void frmActualiza1::requestStop() {
  extraction_.requestStop();
  run_.requestStop();
}

void frmActualiza1::holdBackWhileBusy(Control& control) {
  control.beforeEdit = [this] { return !busy.Value(); };
}

void frmActualiza1::holdBackWhileBusy(Grid& grid) {
  grid.beforeEdit = [this, own = std::move(grid.beforeEdit)](int row, int col) {
    return !busy.Value() && (!own || own(row, col));
  };
}

bool frmActualiza1::available(const ControlDescription& control) const {
  if (control.idleOnly && busy.Value())
    return false;
  const auto* button = std::get_if<CommandButton frmActualiza1::*>(&control.model);
  return button == nullptr || (this->**button).Enabled();
}

void frmActualiza1::addAvailabilityListener(const Control::Listener& listener) {
  busy.addListener(listener);
  for (const ControlDescription& control : windowControls()) {
    if (const auto* button = std::get_if<CommandButton frmActualiza1::*>(&control.model))
      (this->**button).addListener(listener);
  }
}

void frmActualiza1::txtServidor_Validate() {
  // Mid-run the validation would drop the connection and the password the scripts are using.
  exclusively([this] {
    serverAnswered = listDatabases(txtServidor.Text(), flxBases, state, services.databases, log,
                                   services.desktop, ActionButtons{cmdDes, cmdAct});
  });
}

PackageExtraction::Outcome frmActualiza1::cmdDes_Click() {
  PackageExtraction::Outcome outcome;  // NotRun unless the extraction starts
  exclusively([&] { outcome = extraction_.extractAll(); });
  return outcome;
}

UpdateRun::Outcome frmActualiza1::cmdAct_Click(const UpdateRunOptions& options) {
  UpdateRun::Outcome outcome;  // NotRun unless the run starts
  exclusively([&] { outcome = run_.run(options); });
  return outcome;
}

std::vector<std::string> frmActualiza1::LeerFiles() {
  return fd::LeerFiles(
      {txtDirFD, flxRar, services.fs, services.clock, services.desktop, log, state.failedPackages},
      flxFile, flxScrp, ActionButtons{cmdDes, cmdAct});
}

void frmActualiza1::Esperar(double seconds) {
  fd::Esperar(services.clock, services.desktop, seconds);
}

}  // namespace fd
