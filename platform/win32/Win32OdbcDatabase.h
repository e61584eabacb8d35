#pragma once

#include <memory>
#include <string>

#include "platform/Database.h"

namespace fd {

// The database layer over the system's ODBC (odbc32) with the wide functions: provider
// "SQLOLEDB" is the "SQL Server" ODBC driver, or the driver named by FD_ODBC_DRIVER (FreeTDS
// under Wine in the tests). Wine implements only the wide functions, so no narrow one is used.
class Win32OdbcDatabaseProvider : public DatabaseProvider {
 public:
  Win32OdbcDatabaseProvider();
  ~Win32OdbcDatabaseProvider() override;
  Win32OdbcDatabaseProvider(const Win32OdbcDatabaseProvider&) = delete;
  Win32OdbcDatabaseProvider& operator=(const Win32OdbcDatabaseProvider&) = delete;

  std::unique_ptr<Connection> createConnection() override;

 private:
  void* environment_ = nullptr;
};

// The ODBC driver that provider "SQLOLEDB" stands for: FD_ODBC_DRIVER when set, else
// "SQL Server".
std::string sqlServerDriverName();

// The connection string of the ADO-style settings: Data Source "(local)", "." and "localhost"
// (any case) are 127.0.0.1 on port 1433, "host,port" and "host\instance" pass as they are.
std::string win32ConnectionString(const std::string& driver, const std::string& dataSource,
                                  const std::string& database, const std::string& user,
                                  const std::string& password);

}  // namespace fd
