#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Database.h"
#include "platform/OdbcConnectionText.h"

namespace fd {

// The database layer over unixODBC and the FreeTDS driver: DSN-less connection strings, no
// freetds.conf; a login and a statement give up after the time-outs given.
class OdbcDatabaseProvider : public DatabaseProvider {
 public:
  explicit OdbcDatabaseProvider(OdbcTimeouts timeouts = {});
  ~OdbcDatabaseProvider() override;
  OdbcDatabaseProvider(const OdbcDatabaseProvider&) = delete;
  OdbcDatabaseProvider& operator=(const OdbcDatabaseProvider&) = delete;

  std::unique_ptr<Connection> createConnection() override;

 private:
  OdbcTimeouts timeouts_;
  void* environment_ = nullptr;
};

// The connection string of the FreeTDS driver for a login, in UTF-8; throws AppError for a
// value that cannot pass safely.
std::string freeTdsConnectionString(const OdbcLogin& login);

// One diagnostic record with the driver's "[vendor][component]" prefixes removed from its text.
struct OdbcDiagnostic {
  std::string sqlState;
  int nativeError = 0;
  std::string text;
  // The server's class, 0 when the driver does not say. FreeTDS passes the class, not the
  // message state, in the SQL Server message-state field; the state itself does not reach ODBC.
  int severity = 0;
  int line = 0;        // the batch line, 0 when the driver does not say
  std::string server;  // the server that sent the message, when the driver knows it
};

// Every diagnostic record of an ODBC handle (SQL_HANDLE_ENV, _DBC or _STMT), in order.
std::vector<OdbcDiagnostic> odbcDiagnostics(short handleType, void* handle);

}  // namespace fd
