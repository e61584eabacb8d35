#pragma once

#include <functional>
#include <string>
#include <vector>

#include "grid/Grid.h"
#include "packages/PackageExtraction.h"
#include "session/Controls.h"
#include "session/GridSetup.h"
#include "session/Services.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"
#include "update/UpdateRun.h"

namespace fd {

class frmPath;
struct ControlDescription;

// The updater's window without its widgets: the controls as plain models, the five grids, the
// shared state, and the event procedures that wire the stages together. Each view binds to the
// public members and calls the events; which controls an operation under way holds back is
// written once, in windowControls().
class frmActualiza1 {
 public:
  explicit frmActualiza1(Services services);
  ~frmActualiza1();

  static constexpr const char* kCaption = "Actualizador FD";

  // Start-up. Returns false when it cannot go on (the log file cannot be created); the user has
  // then been told why and the program should end.
  bool Form_Load();
  // Form_Load as an event of a view (runEvent); false: the program ends.
  bool loadEvent();
  // The window is being closed. False while an operation is under way: it is asked to stop at
  // its next step, and closeWindow runs once it has ended.
  bool Form_QueryUnload();
  void Form_Unload();
  // Runs one of the window's events for a view; a failure no trap caught is shown in a message
  // box, not lost. False when it failed.
  bool runEvent(const std::function<void()>& event);

  void txtDirFD_Validate();
  void txtCom_Validate();
  void txtCon_Validate();
  void txtCRM_Validate();
  void txtMRP_Validate();
  void txtIni_Validate();
  void txtServidor_Validate();
  void cmdRaiz_Click();
  // The extraction and the update run say how they ended, for the program without its window,
  // which also gives the run its options (the window's click keeps the defaults).
  PackageExtraction::Outcome cmdDes_Click();
  UpdateRun::Outcome cmdAct_Click(const UpdateRunOptions& options = {});
  // Whether an extraction, an update run or the server box's validation is under way, and
  // asking it to stop at its next step (the window is being closed).
  bool running() const { return busy.Value(); }
  void requestStop();
  // Whether the user may act on a control of the window now: an idle-only one not while busy,
  // a button only while enabled. The listener runs whenever that may have changed.
  bool available(const ControlDescription& control) const;
  void addAvailabilityListener(const Control::Listener& listener);

  // The module folder of a package's system code.
  std::string PathSistema(const std::string& code) const;
  void RefrescarPathAplicacion();
  void CargarPaquetes();
  // The messages shown for the manifests that could not be read.
  std::vector<std::string> LeerFiles();
  void Esperar(double seconds);

  // How the view takes part: showing the window (first step of start-up) and showing the
  // folder picker modally until it closes.
  std::function<void()> showWindow;
  std::function<void(frmPath& picker)> showPicker;
  // Closing the window that Form_QueryUnload put off, to be done once the operation that just
  // ended, still on the stack, has returned.
  std::function<void()> closeWindow;

  Services services;
  UpdaterState state;
  UpdateLog log;

  TabControl SSTab1;
  TextBox txtDirFD, txtCom, txtCon, txtCRM, txtMRP, txtIni;
  TextBox txtDirCom, txtDirCon, txtDirCRM, txtDirMRP, txtDirIni;
  TextBox txtServidor;
  TextBox txtEstado;
  CheckBox chkFiles, chkComandos, chkScripts;
  CommandButton cmdDes, cmdAct, cmdRaiz;
  // The window's own property that is off while the mail program is awaited.
  Switch Enabled;
  // On while an extraction, an update run or the server box's validation is under way: every
  // other action of the window is then ignored, and the view shows it unavailable.
  Switch busy{false};
  Grid flxBases, flxRar, flxFile, flxScrp, flxLog;
  // Whether the last server validation reached the server: an empty flxBases then means a
  // server without user databases, not one that could not be reached.
  bool serverAnswered = false;

 private:
  PackageExtraction extraction_;
  UpdateRun run_;
  // Set when the window was closed while an operation was under way.
  bool closePending_ = false;

  void txtEstado_Change();
  // A module's folder box after its name box was left: the root, the name and "\".
  void showModuleFolder(TextBox& txtDir, const TextBox& txtName);
  void setButtons(bool enabled);
  // The idle-only controls refuse the user's input while busy, whatever a view lets through.
  void holdBackWhileBusy(Control& control);
  void holdBackWhileBusy(Grid& grid);
  // Runs an operation that holds the window busy; ignored while another one is under way.
  void exclusively(const std::function<void()>& operation);
};

}  // namespace fd
