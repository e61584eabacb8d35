#include "update/UsersCheck.h"

#include <cstdlib>
#include <string>

#include "databases/ServerConnection.h"
#include "platform/Database.h"
#include "platform/Desktop.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"

namespace fd {

UsersCheck::UsersCheck(UpdaterState& state, DatabaseProvider& databases, Desktop& desktop,
                       UpdateLog& log, TextBox& txtEstado, bool continueWithOtherUsers)
    : state_(state),
      databases_(databases),
      desktop_(desktop),
      log_(log),
      txtEstado_(txtEstado),
      continueWithOtherUsers_(continueWithOtherUsers) {}

void UsersCheck::ConectarBase() {
  const std::string destino = state_.mServidor + "." + state_.mCatalogo;
  log_.EscribirLog(" Conectando a " + destino);
  txtEstado_.setText("Conectando a " + destino);
  desktop_.doEvents();
  state_.mConexion = databases_.createConnection();
  configureConnection(*state_.mConexion, state_.mProveedor, state_.mCatalogo, state_.mServidor,
                      state_.mClave);
  state_.mConexion->open();
}

std::string UsersCheck::countUsers() {
  const std::unique_ptr<Recordset> usuarios = state_.mConexion->execute(kConsultaUsuarios);
  if (!usuarios || usuarios->eof())
    return "";
  return usuarios->field("CC");
}

bool UsersCheck::othersConnected(const std::string& count) {
  return std::atol(count.c_str()) > 1;
}

bool UsersCheck::RevisarUsuariosConectados() {
  log_.EscribirLog(" Revisar Usuarios Conectados");
  txtEstado_.setText("Revisar Usuarios Conectados");
  desktop_.doEvents();
  const std::string cc = countUsers();
  if (!othersConnected(cc))
    return true;
  log_.EscribirLog(" Hay " + cc + " Usuarios Conectados");
  const int answer =
      continueWithOtherUsers_
          ? msgbox::kYes
          : desktop_.msgBox(
                "Hay usuarios usando los sistemas Fendal. Asegúrese que no estén usando el módulo "
                "que está por actualizar. ¿ Desea aplicar actualización  ?",
                msgbox::kYesNo + msgbox::kQuestion + msgbox::kDefaultButton2, "Advertencia");
  if (answer == msgbox::kNo) {
    state_.mConexion->close();
    return false;
  }
  log_.EscribirLog(" Continua igual ");
  return true;
}

}  // namespace fd
