#pragma once

#include <memory>
#include <string>

#include "platform/Database.h"

namespace fd {

// The state the window shares with its stages.
struct UpdaterState {
  std::string mServidor;
  std::string mCatalogo;
  std::string mProveedor;
  std::string mPathApp;
  std::unique_ptr<Connection> mConexion;
  std::string mISQL;
  std::string mClave;
  std::string mArchivoLog;
  // The program start's backup stamp (AAAAMMDD-HHMMSS): each run keeps its files under it.
  std::string backupStamp;
};

}  // namespace fd
