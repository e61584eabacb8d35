#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/OdbcApi.h"

// ODBC handles that free themselves, with UTF-8 text in and out, for the database layer and the
// query tool on every host.
namespace fd::odbc {

// One diagnostic record with the driver's "[vendor][component]" prefixes removed from its text.
struct Diagnostic {
  std::string sqlState;
  int nativeError = 0;
  std::string text;
  // The server's class, 0 when the driver does not say. FreeTDS passes the class, not the
  // message state, in the SQL Server message-state field; the state itself does not reach ODBC.
  int severity = 0;
  int line = 0;        // the batch line, 0 when the driver does not say
  std::string server;  // the server that sent the message, when the driver knows it
};

// Every diagnostic record of a handle (SQL_HANDLE_ENV, _DBC or _STMT), in order.
std::vector<Diagnostic> diagnostics(const Functions& functions, SQLSMALLINT handleType,
                                    SQLHANDLE handle);

// One ODBC handle (SQL_HANDLE_ENV, _DBC or _STMT) made under its parent through a function table
// and freed through it when it goes; null when it could not be made, or when its parent is null.
class Handle {
 public:
  Handle(const Functions& functions, SQLSMALLINT type, SQLHANDLE parent);
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  SQLHANDLE get() const { return handle_; }
  std::vector<Diagnostic> diagnostics() const;

 private:
  const Functions& functions_;
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// An ODBC 3 environment; its handle is null when the driver manager could not make one.
class Environment {
 public:
  Environment();

  explicit operator bool() const { return bool(handle_); }
  SQLHENV handle() const { return handle_.get(); }
  std::vector<Diagnostic> diagnostics() const { return handle_.diagnostics(); }

 private:
  Handle handle_;
};

// A connection of an environment, disconnected and freed with it.
class Connection {
 public:
  explicit Connection(const Environment& environment);
  ~Connection();

  // False when no handle could be made: the environment's diagnostics say why.
  bool allocated() const { return bool(handle_); }
  // Connects without prompting, by a UTF-8 connection string; false with diagnostics() saying
  // why.
  bool connect(const std::string& text, int loginSeconds);
  // Whether the driver knows the connection is lost.
  bool dead() const;
  std::vector<Diagnostic> diagnostics() const { return handle_.diagnostics(); }

  // Statements from now on call the driver's own functions where it can be reached. unixODBC
  // answers SQLMoreResults with "no data" once SQLExecDirect has failed, which would lose the
  // messages of the batch's later statements; the driver itself goes on returning them.
  void bypassManager();

 private:
  friend class Statement;
  Handle handle_;
  bool connected_ = false;
  std::optional<DriverFunctions> driver_;
};

// A statement of a connection, freed on every path.
class Statement {
 public:
  explicit Statement(const Connection& connection);

  // False when no handle could be made: connectionDiagnostics() say why.
  bool allocated() const { return bool(handle_); }
  std::vector<Diagnostic> connectionDiagnostics() const;

  void setQueryTimeout(int seconds);
  SQLRETURN execute(const std::string& sql);
  SQLRETURN moreResults();
  // Columns of the current result, 0 for a statement without one.
  int columnCount();
  std::string columnLabel(int column);
  SQLLEN columnNumber(int column, SQLUSMALLINT field);
  SQLRETURN fetch();
  // A column's value in the current row as text, nullopt for NULL. On failure, value holds
  // what was read.
  SQLRETURN text(int column, std::optional<std::string>& value);
  // Rows the statement affected, nullopt when the driver does not say.
  std::optional<long long> rowCount();
  std::vector<Diagnostic> diagnostics() const { return handle_.diagnostics(); }

 private:
  const Functions& functions_;
  SQLHDBC connection_;
  Handle handle_;
};

}  // namespace fd::odbc
