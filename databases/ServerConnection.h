#pragma once

#include <string>

#include "session/Controls.h"

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

// Why a name cannot be handed to a connection, the query tool's command line and a maintenance
// script; empty when it passes. A database name, which comes from the server, passes as SQL
// Server allows it (spaces, "-", ".", letters of any language) unless it would break a script
// through "%Catalogo%" ("'", "\"", "[", "]", ";", "%", a control character) or the connection
// cannot carry it. A server name, typed or read from the suite's INI file, may hold letters,
// digits, "_", "@", "#", "$", ".", "-", ",", "\", "(" and ")", but no SQL comment.
std::string databaseNameFault(const std::string& name);
std::string serverNameFault(const std::string& name);

// The connection settings the updater gives every connection, in this order.
void configureConnection(Connection& connection, const std::string& provider,
                         const std::string& catalog, const std::string& dataSource,
                         const std::string& password);

// Connects to the server with the current password, then the legacy one, lists its user
// databases into flxBases (those containing "comercial" ticked, each named as the server returns
// it) and enables the action buttons when any database is listed. A name that cannot be passed
// safely is listed unticked and logged with its reason. True when the server answered.
bool listDatabases(const std::string& servidor, Grid& flxBases, UpdaterState& state,
                   DatabaseProvider& databases, UpdateLog& log, Desktop& desktop,
                   ActionButtons buttons);

}  // namespace fd
