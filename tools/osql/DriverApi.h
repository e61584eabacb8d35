#pragma once

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/OdbcDatabase.h"

namespace fd::osql {

// The statement functions of the ODBC driver behind a driver-manager connection, called on
// the driver's own handles. unixODBC answers SQLMoreResults with "no data" once SQLExecDirect
// has failed, which would lose the messages of the batch's later statements; the driver itself
// goes on returning them.
struct DriverApi {
  SQLRETURN (*allocHandle)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*) = nullptr;
  SQLRETURN (*freeHandle)(SQLSMALLINT, SQLHANDLE) = nullptr;
  SQLRETURN (*execDirect)(SQLHSTMT, SQLCHAR*, SQLINTEGER) = nullptr;
  SQLRETURN (*moreResults)(SQLHSTMT) = nullptr;
  SQLRETURN (*numResultCols)(SQLHSTMT, SQLSMALLINT*) = nullptr;
  SQLRETURN(*colAttribute)
  (SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*, SQLLEN*) = nullptr;
  SQLRETURN (*fetch)(SQLHSTMT) = nullptr;
  SQLRETURN (*getData)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) = nullptr;
  SQLRETURN (*rowCount)(SQLHSTMT, SQLLEN*) = nullptr;
  SQLRETURN(*getDiagRec)
  (SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLCHAR*, SQLINTEGER*, SQLCHAR*, SQLSMALLINT,
   SQLSMALLINT*) = nullptr;
  SQLRETURN(*getDiagField)
  (SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLSMALLINT,
   SQLSMALLINT*) = nullptr;
  SQLHDBC connection = SQL_NULL_HDBC;  // the driver's handle of the connection

  // The driver of an open driver-manager connection; nullopt when it cannot be reached.
  static std::optional<DriverApi> of(SQLHDBC managerConnection);
  // The driver manager's own functions, for a driver that cannot be reached directly.
  static DriverApi manager(SQLHDBC managerConnection);

  std::vector<OdbcDiagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE handle) const;
};

}  // namespace fd::osql
