#include "databases/ServerConnection.h"

#include <cctype>
#include <string_view>

#include "grid/Grid.h"
#include "platform/AppError.h"
#include "platform/Database.h"
#include "platform/Desktop.h"
#include "platform/OdbcConnectionText.h"
#include "platform/Text.h"
#include "session/GridSetup.h"
#include "session/UpdateLog.h"
#include "session/UpdaterState.h"

namespace fd {

namespace {
constexpr int kModeReadWrite = 3;
constexpr int kClientCursors = 3;

bool isSystemDatabase(const std::string& lowerName) {
  return lowerName == "master" || lowerName == "model" || lowerName == "tempdb" ||
         lowerName == "msdb";
}

// What a name holds that the connection cannot carry, or that a script would read as SQL.
std::string nameFault(const std::string& name, std::string_view refused) {
  std::string fault = odbcValueFault(name, sqlServerDriver());
  if (!fault.empty())
    return fault;
  if (name.empty())
    return "está vacío";
  const std::size_t at = name.find_first_of(refused);
  if (at != std::string::npos)
    return std::string("contiene \"") + name[at] + "\"";
  return "";
}

// Letters (any non-ASCII byte of a UTF-8 letter included), digits and the given punctuation.
std::string plainNameFault(const std::string& name, std::string_view punctuation) {
  std::string fault = nameFault(name, "");
  if (!fault.empty())
    return fault;
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80 &&
        punctuation.find(c) == std::string_view::npos) {
      return std::string("contiene \"") + c + "\"";
    }
  }
  if (name.find("--") != std::string::npos || name.find("/*") != std::string::npos)
    return "contiene un comentario de SQL";
  return "";
}

// Restores the pointer on every way out of the validation.
class BusyPointer {
 public:
  explicit BusyPointer(Desktop& desktop) : desktop_(desktop) { desktop_.setBusyPointer(true); }
  ~BusyPointer() { desktop_.setBusyPointer(false); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  Desktop& desktop_;
};
}  // namespace

std::string databaseNameFault(const std::string& name) {
  return nameFault(name, "'\"[];%");
}

std::string serverNameFault(const std::string& name) {
  return plainNameFault(name, "_@#$.-,\\()");
}

void configureConnection(Connection& connection, const std::string& provider,
                         const std::string& catalog, const std::string& dataSource,
                         const std::string& password) {
  connection.setMode(kModeReadWrite);
  connection.setCursorLocation(kClientCursors);
  connection.setProvider(provider);
  connection.setProperty("Initial Catalog", catalog);
  connection.setProperty("Data Source", dataSource);
  connection.setProperty("User Id", kUsuarioSQL);
  connection.setProperty("Password", password);
}

bool listDatabases(const std::string& servidor, Grid& flxBases, UpdaterState& state,
                   DatabaseProvider& databases, UpdateLog& log, Desktop& desktop,
                   ActionButtons buttons) {
  log.EscribirLog(" Cambio de SERVIDOR");
  BusyPointer busy(desktop);
  flxBases.setRows(1);
  state.mClave = kClaveActual;

  bool open = false;
  while (true) {
    state.mConexion = databases.createConnection();
    configureConnection(*state.mConexion, kProveedor, "master", servidor, state.mClave);
    // Only the outcome counts here; the provider's text is neither shown nor logged.
    try {
      state.mConexion->open();
    } catch (const AppError&) {
    }
    open = state.mConexion->state() != kStateClosed;
    if (open || state.mClave != kClaveActual)
      break;
    state.mClave = kClaveAnterior;
    state.mConexion.reset();
  }

  if (!open) {
    log.EscribirLog(" ERROR no se pudo conectar a " + servidor);
    desktop.msgBox("No se pudo conectar al servidor " + servidor, msgbox::kQuestion, "");
  } else {
    try {
      const std::unique_ptr<Recordset> bases =
          state.mConexion->execute("SELECT name FROM SYSDATABASES ORDER BY name");
      for (Recordset* rows = bases.get(); rows && !rows->eof(); rows->moveNext()) {
        std::string name = rows->field("Name");
        std::string lower = toLower(name);
        if (isSystemDatabase(lower))
          continue;
        const std::string fault = databaseNameFault(name);
        // The name as the server gives it, which the run and the checks read.
        BasesRow row;
        row.set(kBasesNumber, std::to_string(flxBases.Rows())).set(kBasesName, name);
        if (!fault.empty()) {
          // Never ticked; connecting and the query tool refuse it too.
          log.EscribirLog(" ERROR la base " + printableName(name) +
                          " no se puede actualizar: " + fault);
        } else if (lower.find("comercial") != std::string::npos) {
          row.set(kBasesTicked, "1");
        }
        appendRow(flxBases, row);
      }
    } catch (const AppError&) {
      // A failed query lists nothing; the buttons below show it.
    }
    try {
      state.mConexion->close();
    } catch (const AppError&) {
    }
  }
  state.mConexion.reset();
  buttons.setEnabled(flxBases.Rows() > 1);
  return open;
}

}  // namespace fd
