#pragma once

#include <string>

#include "window/UpdaterState.h"

namespace fd {

class FileSystem;

// Reads the suite's INI file and yields the SQL Server name: entry Servidor of section
// [Comercial]. Every line is upper-cased; the file is tried once; no message is ever shown.
class clsIni {
 public:
  explicit clsIni(const FileSystem& fs);

  // The server name found by the last LeerINI, upper-cased; empty when none was found.
  const std::string& Servidor() const { return servidor_; }
  // True when the entry was found with a non-empty value.
  bool LeerINI(const std::string& pNombreIni);

 private:
  std::string LeerServidor();
  static int BuscarEntrada(const KeyTable& table, const std::string& key);

  const FileSystem& fs_;
  KeyTable datos_;
  std::string servidor_;
};

}  // namespace fd
