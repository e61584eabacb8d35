#include "support/clsIni.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace fd {

namespace {
constexpr const char* kClaveServidor = "[Comercial].Servidor";
}

clsIni::clsIni(const FileSystem& fs) : fs_(fs) {}

bool clsIni::LeerINI(const std::string& pNombreIni) {
  datos_.clear();
  std::string seccion;
  try {
    for (const std::string& raw : fs_.readLines(pNombreIni)) {
      std::string line = toUpper(raw);
      if (line.empty())
        continue;
      std::string trimmed = trimSpaces(line);
      if (startsWith(trimmed, "[")) {
        seccion = line;
        continue;
      }
      // A line without "=" takes an entry that holds nothing usable.
      std::size_t equals = line.find('=');
      if (equals == std::string::npos) {
        datos_.emplace_back();
      } else {
        datos_.emplace_back(seccion + "." + trimSpaces(line.substr(0, equals)),
                            trimSpaces(line.substr(equals + 1)));
      }
    }
    return !LeerServidor().empty();
  } catch (const AppError&) {
    return false;
  }
}

std::string clsIni::LeerServidor() {
  if (datos_.empty()) {
    // An empty table has no first entry to search from. The number is written with the leading
    // space of a non-negative number, after the space that ends ". Error # ".
    throw AppError(9, "clsIni::LeerServidor", ". Error #  9\rSubíndice fuera del intervalo");
  }
  int found = BuscarEntrada(datos_, kClaveServidor);
  if (found >= 0)
    servidor_ = toUpper(datos_[found].second);
  return servidor_;
}

int clsIni::BuscarEntrada(const Entries& entries, const std::string& key) {
  for (std::size_t entry = 0; entry < entries.size(); ++entry) {
    if (equalsNoCase(entries[entry].first, key))
      return static_cast<int>(entry);
  }
  return -1;
}

}  // namespace fd
