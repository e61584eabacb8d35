#pragma once

#include "session/Controls.h"
#include "update/FileCopyStage.h"

namespace fd {

class Grid;
class Registry;
class UpdateLog;
struct Services;
struct UpdaterState;

// The controls an update run reads and writes.
struct UpdateRunControls {
  const CheckBox& chkFiles;
  const CheckBox& chkComandos;
  const CheckBox& chkScripts;
  const TextBox& txtServidor;
  const TextBox& txtDirFD;
  const TextBox& txtCom;
  const TextBox& txtDirIni;
  TextBox& txtEstado;
  Switch& windowEnabled;
  Grid& flxBases;
  Grid& flxFile;
  Grid& flxScrp;
  Grid& flxLog;
};

// One update from the click on "Actualizar" to its final message: the mail task stopped around
// the file copy (with command files), then every script against every ticked database. Any
// failure a stage does not handle ends the run with one message.
class UpdateRun {
 public:
  UpdateRun(UpdateRunControls controls, UpdaterState& state, Services& services, UpdateLog& log);

  // The window starts no second run while one is under way.
  void cmdAct_Click();
  // Asks a run under way to stop at its next step (the window is being closed).
  void requestStop() { stopRequested_ = true; }

 private:
  struct Stopped {};
  void checkStop() const;
  void scripts(int& paso, CurrentFile& current);
  void limpiar();
  void informar(const class AppError& error, int paso, const CurrentFile& current);

  UpdateRunControls c_;
  UpdaterState& state_;
  Services& services_;
  UpdateLog& log_;
  bool stopRequested_ = false;
};

}  // namespace fd
