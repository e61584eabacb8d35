#pragma once

#include <string>

#include "window/Controls.h"

namespace fd {

class Connection;
class DatabaseProvider;
class Desktop;
class Grid;
class UpdateLog;
struct UpdaterState;

// The suite's SQL login and its two passwords, the current one and the legacy one.
inline constexpr const char* kUsuarioSQL = "Fendal";
inline constexpr const char* kClaveActual = "Murales7261qz";
inline constexpr const char* kClaveAnterior = "Murales";
inline constexpr const char* kProveedor = "SQLOLEDB";

// Why a server or database name cannot be handed to the query tool or a connection: what the
// connection string refuses, and white space or a double quote, which would split or end the
// name on the tool's command line. Empty when it passes.
std::string nameFault(const std::string& name);

// The connection settings the updater gives every connection, in this order.
void configurarConexion(Connection& connection, const std::string& provider,
                        const std::string& catalog, const std::string& dataSource,
                        const std::string& password);

// Connects to the server with the current password, then the legacy one, lists its user
// databases into flxBases (those containing "comercial" ticked) and enables the action buttons
// when any database is listed. A name that cannot be passed safely is listed unticked and
// logged as such.
void ValidarServidor(const std::string& servidor, Grid& flxBases, UpdaterState& state,
                     DatabaseProvider& databases, UpdateLog& log, Desktop& desktop,
                     ActionButtons buttons);

}  // namespace fd
