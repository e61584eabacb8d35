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

#include "platform/OdbcConnectionText.h"

// The one place that knows how the host's ODBC takes text. Windows: the wide functions and
// SQLWCHAR (Wine's odbc32 has no narrow ones); unixODBC: the narrow functions, in UTF-8 as the
// FreeTDS connection string asks. Everything above speaks UTF-8 std::string.
namespace fd::odbc {

#ifdef _WIN32
using Char = SQLWCHAR;
inline constexpr SQLSMALLINT kCharType = SQL_C_WCHAR;
#else
using Char = SQLCHAR;
inline constexpr SQLSMALLINT kCharType = SQL_C_CHAR;
#endif
using String = std::basic_string<Char>;

String toOdbc(const std::string& utf8);
std::string fromOdbc(const String& text);
// A zero-terminated text.
std::string fromOdbc(const Char* text);

inline bool succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// The statement and diagnostic functions, as a table: the driver manager's, or on unixODBC
// those of the driver itself behind a manager connection (see Connection::bypassManager).
struct Functions {
  SQLRETURN (*allocHandle)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*) = nullptr;
  SQLRETURN (*freeHandle)(SQLSMALLINT, SQLHANDLE) = nullptr;
  SQLRETURN (*execDirect)(SQLHSTMT, Char*, SQLINTEGER) = nullptr;
  SQLRETURN (*moreResults)(SQLHSTMT) = nullptr;
  SQLRETURN (*numResultCols)(SQLHSTMT, SQLSMALLINT*) = nullptr;
  SQLRETURN(*colAttribute)
  (SQLHSTMT, SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*, SQLLEN*) = nullptr;
  SQLRETURN (*fetch)(SQLHSTMT) = nullptr;
  SQLRETURN (*getData)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) = nullptr;
  SQLRETURN (*rowCount)(SQLHSTMT, SQLLEN*) = nullptr;
  SQLRETURN (*setStmtAttr)(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) = nullptr;
  SQLRETURN(*getDiagRec)
  (SQLSMALLINT, SQLHANDLE, SQLSMALLINT, Char*, SQLINTEGER*, Char*, SQLSMALLINT,
   SQLSMALLINT*) = nullptr;
  SQLRETURN(*getDiagField)
  (SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLSMALLINT, SQLPOINTER, SQLSMALLINT,
   SQLSMALLINT*) = nullptr;
};

const Functions& managerFunctions();

// The driver's own functions and handle behind an open manager connection; nullopt where the
// driver cannot be reached (always on Windows, whose odbc32 is the only way in).
struct DriverFunctions {
  Functions functions;
  SQLHDBC connection = SQL_NULL_HDBC;
};
std::optional<DriverFunctions> driverFunctions(SQLHDBC managerConnection);

// The connection-level calls that carry text or differ by host, always through the manager.
SQLRETURN driverConnect(SQLHDBC connection, const std::string& text);
void setLoginTimeout(SQLHDBC connection, int seconds);
bool connectionDead(SQLHDBC connection);

// The connection string for SQL Server on this host: the FreeTDS driver through unixODBC; on
// Windows the "SQL Server" driver, or the one FD_ODBC_DRIVER names (FreeTDS under Wine in the
// tests, then given as on POSIX). Throws AppError for a value that cannot pass safely.
std::string sqlServerConnectionString(const OdbcLogin& login);

}  // namespace fd::odbc
