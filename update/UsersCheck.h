#pragma once

#include "session/Controls.h"

namespace fd {

class DatabaseProvider;
class Desktop;
class UpdateLog;
struct UpdaterState;

// The update run's own connection to the database being updated, and the count of the suite's
// sessions on the server before its scripts run.
class UsersCheck {
 public:
  static constexpr const char* kConsultaUsuarios =
      "SELECT COUNT(*) as CC FROM master..SYSPROCESSES SP INNER JOIN master..SYSDATABASES SD  ON "
      "SP.dbid = SD.dbid  WHERE SP.LOGINAME = 'Fendal' ";

  // continueWithOtherUsers: others connected do not stop the run, and nobody is asked.
  UsersCheck(UpdaterState& state, DatabaseProvider& databases, Desktop& desktop, UpdateLog& log,
             TextBox& txtEstado, bool continueWithOtherUsers = false);

  // Opens mConexion on mServidor / mCatalogo with mClave; a failure is thrown.
  void ConectarBase();
  // The suite's sessions on the server, as the sessions query counts them ("" without a row).
  std::string countUsers();
  // Whether a count from countUsers means other sessions than the run's own.
  static bool othersConnected(const std::string& count);
  // False when others are connected and the user declines to go on.
  bool RevisarUsuariosConectados();

 private:
  UpdaterState& state_;
  DatabaseProvider& databases_;
  Desktop& desktop_;
  UpdateLog& log_;
  TextBox& txtEstado_;
  bool continueWithOtherUsers_;
};

}  // namespace fd
