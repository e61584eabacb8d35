#pragma once

#include <memory>
#include <string>

#include "platform/Database.h"
#include "platform/OdbcConnectionText.h"

namespace fd {

// The database layer over the system's ODBC (odbc32) with the wide functions: provider
// "SQLOLEDB" is the "SQL Server" ODBC driver, or the driver named by FD_ODBC_DRIVER (FreeTDS
// under Wine in the tests). Wine implements only the wide functions, so no narrow one is used.
class Win32OdbcDatabaseProvider : public DatabaseProvider {
 public:
  explicit Win32OdbcDatabaseProvider(OdbcTimeouts timeouts = {});
  ~Win32OdbcDatabaseProvider() override;
  Win32OdbcDatabaseProvider(const Win32OdbcDatabaseProvider&) = delete;
  Win32OdbcDatabaseProvider& operator=(const Win32OdbcDatabaseProvider&) = delete;

  std::unique_ptr<Connection> createConnection() override;

 private:
  OdbcTimeouts timeouts_;
  void* environment_ = nullptr;
};

// The ODBC driver that provider "SQLOLEDB" stands for: FD_ODBC_DRIVER when set, else
// "SQL Server".
std::string sqlServerDriverName();

}  // namespace fd
