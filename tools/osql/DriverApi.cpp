// The ODBC binding of POSIX hosts (unixODBC); DriverApiWin32.cpp is that of Windows.
#ifndef _WIN32
#include "DriverApi.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace fd::osql {

namespace {

// Finds the loaded shared object whose file name is `name` and returns its full path.
std::string loadedPath(const std::string& name) {
  struct Search {
    std::string name;
    std::string found;
  } search{name, ""};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        std::string path = info->dlpi_name ? info->dlpi_name : "";
        std::size_t slash = path.rfind('/');
        std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!path.empty() && file.rfind(s->name, 0) == 0) {
          s->found = path;
          return 1;
        }
        return 0;
      },
      &search);
  return search.found;
}

template <typename F>
bool bind(void* library, const char* symbol, F& target) {
  target = reinterpret_cast<F>(dlsym(library, symbol));
  return target != nullptr;
}

}  // namespace

std::optional<DriverApi> DriverApi::of(SQLHDBC managerConnection) {
  char driverName[256] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(
          SQLGetInfo(managerConnection, SQL_DRIVER_NAME, driverName, sizeof driverName, &length))) {
    return std::nullopt;
  }
  std::string path = loadedPath(driverName);
  if (path.empty())
    return std::nullopt;
  // Already loaded by the driver manager: this only takes another reference to it.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!library)
    return std::nullopt;
  DriverApi api;
  SQLHDBC driverConnection = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLGetInfo(managerConnection, SQL_DRIVER_HDBC, &driverConnection,
                                sizeof driverConnection, nullptr))) {
    return std::nullopt;
  }
  api.connection = driverConnection;
  bool ok = bind(library, "SQLAllocHandle", api.allocHandle) &&
            bind(library, "SQLFreeHandle", api.freeHandle) &&
            bind(library, "SQLExecDirect", api.execDirect) &&
            bind(library, "SQLMoreResults", api.moreResults) &&
            bind(library, "SQLNumResultCols", api.numResultCols) &&
            bind(library, "SQLColAttribute", api.colAttribute) &&
            bind(library, "SQLFetch", api.fetch) && bind(library, "SQLGetData", api.getData) &&
            bind(library, "SQLRowCount", api.rowCount) &&
            bind(library, "SQLSetStmtAttr", api.setStmtAttr) &&
            bind(library, "SQLGetDiagRec", api.getDiagRec) &&
            bind(library, "SQLGetDiagField", api.getDiagField);
  if (!ok)
    return std::nullopt;
  return api;
}

DriverApi DriverApi::manager(SQLHDBC managerConnection) {
  DriverApi api;
  api.allocHandle = &SQLAllocHandle;
  api.freeHandle = &SQLFreeHandle;
  api.execDirect = &SQLExecDirect;
  api.moreResults = &SQLMoreResults;
  api.numResultCols = &SQLNumResultCols;
  api.colAttribute = &SQLColAttribute;
  api.fetch = &SQLFetch;
  api.getData = &SQLGetData;
  api.rowCount = &SQLRowCount;
  api.setStmtAttr = &SQLSetStmtAttr;
  api.getDiagRec = &SQLGetDiagRec;
  api.getDiagField = &SQLGetDiagField;
  api.connection = managerConnection;
  return api;
}

std::vector<OdbcDiagnostic> DriverApi::diagnostics(SQLSMALLINT type, SQLHANDLE handle) const {
  // The same fields the driver-manager reader takes (see OdbcDatabase.h), through the driver.
  constexpr SQLSMALLINT kDiagMessageState = -1150;
  constexpr SQLSMALLINT kDiagLine = -1154;
  std::vector<OdbcDiagnostic> out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[4096] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(
            getDiagRec(type, handle, record, state, &native, text, sizeof text, &length))) {
      break;
    }
    OdbcDiagnostic d;
    d.sqlState = reinterpret_cast<char*>(state);
    d.nativeError = native;
    d.text = reinterpret_cast<char*>(text);
    while (!d.text.empty() && d.text[0] == '[' && d.text.find(']') != std::string::npos) {
      d.text.erase(0, d.text.find(']') + 1);
    }
    SQLINTEGER severity = 0;
    if (getDiagField(type, handle, record, kDiagMessageState, &severity, sizeof severity,
                     nullptr) == SQL_SUCCESS) {
      d.severity = severity;
    }
    SQLUSMALLINT line = 0;
    if (getDiagField(type, handle, record, kDiagLine, &line, sizeof line, nullptr) == SQL_SUCCESS) {
      d.line = line;
    }
    SQLCHAR server[256] = {};
    SQLSMALLINT serverLength = 0;
    if (getDiagField(type, handle, record, SQL_DIAG_SERVER_NAME, server, sizeof server,
                     &serverLength) == SQL_SUCCESS) {
      d.server = reinterpret_cast<char*>(server);
    }
    out.push_back(std::move(d));
  }
  return out;
}

SQLRETURN DriverApi::execute(SQLHSTMT statement, const std::string& sql) const {
  std::string text = sql;
  return execDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()),
                    static_cast<SQLINTEGER>(text.size()));
}

std::string DriverApi::label(SQLHSTMT statement, SQLUSMALLINT column) const {
  char name[256] = {};
  SQLSMALLINT length = 0;
  colAttribute(statement, column, SQL_DESC_LABEL, name, sizeof name, &length, nullptr);
  return name;
}

std::string DriverApi::value(SQLHSTMT statement, SQLUSMALLINT column) const {
  std::string text;
  char buffer[1024];
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = getData(statement, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
    if (!SQL_SUCCEEDED(rc))
      break;
    if (length == SQL_NULL_DATA)
      return "NULL";
    if (rc == SQL_SUCCESS) {
      text.append(buffer, static_cast<std::size_t>(length));
      break;
    }
    text.append(buffer, sizeof buffer - 1);
  }
  return text;
}

std::string connectionText(const OdbcLogin& login) {
  return fd::freeTdsConnectionString(login);
}

void setLoginTimeout(SQLHDBC connection, int seconds) {
  SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
}

SQLRETURN driverConnect(SQLHDBC connection, const std::string& text) {
  std::string copy = text;
  return SQLDriverConnect(connection, nullptr, reinterpret_cast<SQLCHAR*>(copy.data()),
                          static_cast<SQLSMALLINT>(copy.size()), nullptr, 0, nullptr,
                          SQL_DRIVER_NOPROMPT);
}

std::vector<OdbcDiagnostic> connectionDiagnostics(SQLHDBC connection) {
  return fd::odbcDiagnostics(SQL_HANDLE_DBC, connection);
}

bool connectionDead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(
             SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

}  // namespace fd::osql
#endif
