#pragma once

#include <memory>
#include <string>
#include <vector>

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
  // The packages (file names) the last extraction could not extract whole: none of their files
  // or scripts enters the work lists.
  std::vector<std::string> failedPackages;
};

}  // namespace fd
