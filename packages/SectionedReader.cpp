#include "packages/SectionedReader.h"

#include <optional>
#include <vector>

#include "platform/AppError.h"
#include "platform/Desktop.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "session/Esperar.h"

namespace fd {

namespace {
constexpr int kIntentos = 6;
constexpr double kEsperaEntreIntentos = 10;

AppError readError(int number, const std::string& description) {
  return AppError(number, "Leer",
                  "Actualizador::Leer::. Error # " + signedNumber(number) + "\r" + description);
}
}  // namespace

bool Leer(const std::string& fileName, KeyTable& mDatos, const FileSystem& fs, Clock& clock,
          Desktop& desktop, std::string* shown) {
  mDatos.entries.clear();
  std::optional<std::vector<std::string>> lines;
  std::optional<AppError> lastFailure;
  for (int attempt = 1; attempt <= kIntentos && !lines; ++attempt) {
    try {
      lines = fs.readLines(fileName);
    } catch (const AppError& error) {
      lastFailure = error;
      if (attempt < kIntentos)
        Esperar(clock, desktop, kEsperaEntreIntentos);
    }
  }
  if (!lines) {
    const std::string message = "No se pudo leer el archivo " + fileName + ". Mensaje: (" +
                                std::to_string(lastFailure->number()) + ") " +
                                lastFailure->description();
    desktop.msgBox(message, msgbox::kOkOnly, "");
    if (shown != nullptr)
      *shown = message;
    return false;
  }

  std::string section;
  for (const std::string& line : *lines) {
    if (line.empty())
      continue;
    if (startsWith(trimSpaces(line), "[")) {
      section = line;
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      throw readError(err::kInvalidCall, standardDescription(err::kInvalidCall));
    }
    mDatos.entries.emplace_back(section + "." + trimSpaces(line.substr(0, equals)),
                                trimSpaces(line.substr(equals + 1)));
  }
  return true;
}

int BuscarClave(const KeyTable& table, const std::string& key, int start) {
  const std::string wanted = toUpper(key);
  for (int entry = start == 0 ? 1 : start; entry <= table.count(); ++entry) {
    if (entry >= 1 && toUpper(table.key(entry)) == wanted)
      return entry;
  }
  return -1;
}

}  // namespace fd
