#pragma once

#include <string>
#include <utility>
#include <vector>

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
  // Section and key joined by a dot, and the value; an entry from a line without "=" is empty.
  using Entries = std::vector<std::pair<std::string, std::string>>;
  // The index of the first entry whose key equals the given key without regard to letter case,
  // or -1.
  static int BuscarEntrada(const Entries& entries, const std::string& key);

  const FileSystem& fs_;
  Entries datos_;
  std::string servidor_;
};

}  // namespace fd
