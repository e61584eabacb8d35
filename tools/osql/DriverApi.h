#pragma once

// clang-format off
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
// clang-format on

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/OdbcDatabase.h"

namespace fd::osql {

// The statement functions of the ODBC driver behind a driver-manager connection, called on
// the driver's own handles. unixODBC answers SQLMoreResults with "no data" once SQLExecDirect
// has failed, which would lose the messages of the batch's later statements; the driver itself
// goes on returning them. On Windows the driver sits behind the system's odbc32, which is
// always used, with its wide functions for text (under Wine, odbc32 has no narrow ones and
// passes on to unixODBC, so the later messages of a failed batch are lost there too).
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
  SQLRETURN (*setStmtAttr)(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) = nullptr;
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
  // Runs a batch of UTF-8 text.
  SQLRETURN execute(SQLHSTMT statement, const std::string& sql) const;
  // A column's label as UTF-8 text.
  std::string label(SQLHSTMT statement, SQLUSMALLINT column) const;
  // A column's value in the current row as UTF-8 text, "NULL" for a null.
  std::string value(SQLHSTMT statement, SQLUSMALLINT column) const;
  void setQueryTimeout(SQLHSTMT statement, int seconds) const {
    setStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT,
                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
  }
};

// The connection string for osql's options: the FreeTDS driver on POSIX hosts; on Windows the
// "SQL Server" driver, or the one FD_ODBC_DRIVER names. Throws AppError for a value that cannot
// pass safely.
std::string connectionText(const OdbcLogin& login);
void setLoginTimeout(SQLHDBC connection, int seconds);
SQLRETURN driverConnect(SQLHDBC connection, const std::string& text);
// The diagnostic records of a driver-manager connection handle.
std::vector<OdbcDiagnostic> connectionDiagnostics(SQLHDBC connection);
// Whether the driver knows the connection is lost.
bool connectionDead(SQLHDBC connection);

}  // namespace fd::osql
