#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Database.h"

namespace fd {

// The database layer over unixODBC and the FreeTDS driver: DSN-less connection strings, no
// freetds.conf, no time-out of our own.
class OdbcDatabaseProvider : public DatabaseProvider {
 public:
  OdbcDatabaseProvider();
  ~OdbcDatabaseProvider() override;
  OdbcDatabaseProvider(const OdbcDatabaseProvider&) = delete;
  OdbcDatabaseProvider& operator=(const OdbcDatabaseProvider&) = delete;

  std::unique_ptr<Connection> createConnection() override;

 private:
  void* environment_ = nullptr;
};

// The Server and Port keys for a Data Source text: "(local)", "." and "localhost" (any case) are
// 127.0.0.1 on port 1433; "host,port" gives the port; "host\instance" is a named instance.
std::string odbcServerKeys(const std::string& dataSource);

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
