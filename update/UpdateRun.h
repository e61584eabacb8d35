#pragma once

#include <string>
#include <vector>

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

// What a run is told beyond its controls. The window's run keeps the defaults: it asks the user.
struct UpdateRunOptions {
  // Other users connected to a database: go on without asking (logged as the answer Yes is).
  bool continueWithOtherUsers = false;
};

// One update from the click on "Actualizar" to its final message: the mail task stopped around
// the file copy (with command files), and left stopped when the copy fails, then every script
// against every ticked database. Any failure a stage does not handle ends the run with one message.
class UpdateRun {
 public:
  // How a run ended, for a caller without a window to read.
  struct Outcome {
    enum class Ending {
      Done,           // its final message shown (failedSteps: command files and scripts in red)
      Failed,         // ended by its failure trap, the mail program that would not stop or the
                      // missing query tool (message: what the user was told)
      UsersDeclined,  // other users connected, and the answer was No
      Stopped,        // asked to stop before its end
      NotRun          // another operation of the window was under way
    };
    Ending ending = Ending::NotRun;
    std::string message;
    // The status texts of the rows this run left with an error beside them.
    std::vector<std::string> failedSteps;
    // Failed during the file stage: the mail task was left stopped.
    bool mailTaskStopped = false;
  };

  UpdateRun(UpdateRunControls controls, UpdaterState& state, Services& services, UpdateLog& log);

  // The window starts no second run while one is under way.
  Outcome run(const UpdateRunOptions& options = {});
  // Asks a run under way to stop at its next step (the window is being closed).
  void requestStop() { stopRequested_ = true; }

 private:
  struct Stopped {};
  void checkStop() const;
  // False when the user chose not to go on with other users connected.
  bool scripts(int& paso, CurrentFile& current, const UpdateRunOptions& options);
  void releaseConnection();
  // Shows the failure's message and returns it.
  std::string reportFailure(const class AppError& error, int paso, const CurrentFile& current);
  std::vector<std::string> failedStepsFrom(int firstRow) const;

  UpdateRunControls c_;
  UpdaterState& state_;
  Services& services_;
  UpdateLog& log_;
  bool stopRequested_ = false;
};

}  // namespace fd
