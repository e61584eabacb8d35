// The ODBC binding of Windows: the system's odbc32 with its wide functions for text.
#ifdef _WIN32
#include <cstdlib>

#include "DriverApi.h"
#include "platform/win32/Win32OdbcDatabase.h"
#include "platform/win32/Win32Text.h"

namespace fd::osql {

namespace {

std::string narrowed(const SQLWCHAR* text) {
  return fd::narrow(reinterpret_cast<const wchar_t*>(text));
}

SQLRETURN columnAttribute(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field,
                          SQLPOINTER text, SQLSMALLINT room, SQLSMALLINT* length, SQLLEN* number) {
  return SQLColAttributeW(statement, column, field, text, room, length, number);
}

}  // namespace

std::optional<DriverApi> DriverApi::of(SQLHDBC) {
  return std::nullopt;
}

DriverApi DriverApi::manager(SQLHDBC managerConnection) {
  // The text functions (execute, label, value, diagnostics) call the wide ones themselves.
  DriverApi api;
  api.allocHandle = &SQLAllocHandle;
  api.freeHandle = &SQLFreeHandle;
  api.moreResults = &SQLMoreResults;
  api.numResultCols = &SQLNumResultCols;
  api.colAttribute = &columnAttribute;
  api.fetch = &SQLFetch;
  api.getData = &SQLGetData;
  api.rowCount = &SQLRowCount;
  api.setStmtAttr = &SQLSetStmtAttrW;
  api.connection = managerConnection;
  return api;
}

std::vector<OdbcDiagnostic> DriverApi::diagnostics(SQLSMALLINT type, SQLHANDLE handle) const {
  constexpr SQLSMALLINT kDiagMessageState = -1150;
  constexpr SQLSMALLINT kDiagSeverity = -1152;
  constexpr SQLSMALLINT kDiagLine = -1154;
  std::vector<OdbcDiagnostic> out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[4096] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, record, state, &native, text,
                                      static_cast<SQLSMALLINT>(std::size(text)), &length))) {
      break;
    }
    OdbcDiagnostic d;
    d.sqlState = narrowed(state);
    d.nativeError = native;
    d.text = narrowed(text);
    while (!d.text.empty() && d.text[0] == '[' && d.text.find(']') != std::string::npos) {
      d.text.erase(0, d.text.find(']') + 1);
    }
    // The SQL Server driver gives the class in its own field; FreeTDS (under Wine) only in the
    // message-state field.
    SQLINTEGER severity = 0;
    if (SQLGetDiagFieldW(type, handle, record, kDiagSeverity, &severity, sizeof severity,
                         nullptr) == SQL_SUCCESS ||
        SQLGetDiagFieldW(type, handle, record, kDiagMessageState, &severity, sizeof severity,
                         nullptr) == SQL_SUCCESS) {
      d.severity = severity;
    }
    SQLUSMALLINT line = 0;
    if (SQLGetDiagFieldW(type, handle, record, kDiagLine, &line, sizeof line, nullptr) ==
        SQL_SUCCESS) {
      d.line = line;
    }
    SQLWCHAR server[256] = {};
    SQLSMALLINT serverLength = 0;
    if (SQLGetDiagFieldW(type, handle, record, SQL_DIAG_SERVER_NAME, server, sizeof server,
                         &serverLength) == SQL_SUCCESS) {
      d.server = narrowed(server);
    }
    out.push_back(std::move(d));
  }
  return out;
}

SQLRETURN DriverApi::execute(SQLHSTMT statement, const std::string& sql) const {
  std::wstring text = fd::widen(sql);
  return SQLExecDirectW(statement, reinterpret_cast<SQLWCHAR*>(text.data()),
                        static_cast<SQLINTEGER>(text.size()));
}

std::string DriverApi::label(SQLHSTMT statement, SQLUSMALLINT column) const {
  SQLWCHAR name[256] = {};
  SQLSMALLINT length = 0;
  SQLColAttributeW(statement, column, SQL_DESC_LABEL, name, sizeof name, &length, nullptr);
  return narrowed(name);
}

std::string DriverApi::value(SQLHSTMT statement, SQLUSMALLINT column) const {
  std::wstring text;
  SQLWCHAR buffer[1024];
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_WCHAR, buffer, sizeof buffer, &length);
    if (!SQL_SUCCEEDED(rc))
      break;
    if (length == SQL_NULL_DATA)
      return "NULL";
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(buffer);
    if (rc == SQL_SUCCESS) {
      text.append(chars, static_cast<std::size_t>(length) / sizeof(SQLWCHAR));
      break;
    }
    // Truncated: the buffer is full less its terminating zero; the rest comes next call.
    text.append(chars, std::size(buffer) - 1);
  }
  return fd::narrow(text);
}

std::string connectionText(const OdbcLogin& login) {
  return fd::odbcConnectionString(fd::sqlServerDriverName(), login);
}

void setLoginTimeout(SQLHDBC connection, int seconds) {
  SQLSetConnectAttrW(connection, SQL_ATTR_LOGIN_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
}

SQLRETURN driverConnect(SQLHDBC connection, const std::string& text) {
  std::wstring wide = fd::widen(text);
  return SQLDriverConnectW(connection, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()),
                           static_cast<SQLSMALLINT>(wide.size()), nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
}

std::vector<OdbcDiagnostic> connectionDiagnostics(SQLHDBC connection) {
  return DriverApi::manager(connection).diagnostics(SQL_HANDLE_DBC, connection);
}

bool connectionDead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(
             SQLGetConnectAttrW(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

}  // namespace fd::osql
#endif
