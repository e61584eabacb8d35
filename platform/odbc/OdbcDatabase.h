#pragma once

#include <memory>

#include "platform/Database.h"
#include "platform/OdbcConnectionText.h"
#include "platform/odbc/Odbc.h"

namespace fd {

// The database layer over the host's ODBC: provider "SQLOLEDB" is SQL Server reached without a
// DSN (see odbc::sqlServerConnectionString); a login and a statement give up after the
// time-outs given.
class OdbcDatabaseProvider : public DatabaseProvider {
 public:
  explicit OdbcDatabaseProvider(OdbcTimeouts timeouts = {});

  std::unique_ptr<Connection> createConnection() override;

 private:
  OdbcTimeouts timeouts_;
  odbc::Environment environment_;
};

}  // namespace fd
