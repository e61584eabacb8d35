#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Database.h"

namespace fd {

class FileSystem;

// A two-column table of key/value pairs read from a sectioned key=value file. Entries are
// numbered from 1; column 1 is the section, a dot and the key, column 2 the value.
struct KeyTable {
  std::vector<std::pair<std::string, std::string>> entries;

  int count() const { return static_cast<int>(entries.size()); }
  const std::string& key(int entry) const { return entries.at(entry - 1).first; }
  const std::string& value(int entry) const { return entries.at(entry - 1).second; }
};

// The state the window shares with its stages.
struct UpdaterState {
  FileSystem* mFSO = nullptr;  // set for the length of the operation that needs it
  std::string mArchivo;        // the file whose modification date is being read
  KeyTable mDatos;
  KeyTable mInfo;
  std::string mServidor;
  std::string mCatalogo;
  std::string mProveedor;
  std::string mDestino;
  std::string mUnidad;
  std::string mPathActTmp;
  std::string mPathApp;
  std::unique_ptr<Connection> mConexion;
  std::unique_ptr<Recordset> mRecordset;
  std::string mISQL;
  std::string mComando;
  std::string mScript;
  std::string mSalida;
  std::string mClave;
  std::string mArchivoLog;
  std::string mSeparador;
  int mFila = 0;
};

}  // namespace fd
