#include "platform/odbc/OdbcApi.h"

#include <cstdlib>

#ifdef _WIN32
#include "platform/win32/Win32Text.h"
#else
#include <dlfcn.h>
#include <link.h>
#endif

namespace fd::odbc {

namespace {

SQLPOINTER integerAttribute(int value) {
  return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value));
}

#ifndef _WIN32
// The full path of the loaded shared object whose file name starts with `name`.
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
#endif

}  // namespace

#ifdef _WIN32

String toOdbc(const std::string& utf8) {
  std::wstring wide = widen(utf8);
  return String(wide.begin(), wide.end());
}

std::string fromOdbc(const String& text) {
  return narrow(std::wstring(text.begin(), text.end()));
}

std::string fromOdbc(const Char* text) {
  return narrow(reinterpret_cast<const wchar_t*>(text));
}

const Functions& managerFunctions() {
  // The wide functions, by name: the text arguments are SQLWCHAR.
  static const Functions functions = [] {
    Functions f;
    f.allocHandle = [](SQLSMALLINT t, SQLHANDLE in, SQLHANDLE* out) {
      return SQLAllocHandle(t, in, out);
    };
    f.freeHandle = [](SQLSMALLINT t, SQLHANDLE h) { return SQLFreeHandle(t, h); };
    f.execDirect = [](SQLHSTMT s, Char* text, SQLINTEGER length) {
      return SQLExecDirectW(s, text, length);
    };
    f.moreResults = [](SQLHSTMT s) { return SQLMoreResults(s); };
    f.numResultCols = [](SQLHSTMT s, SQLSMALLINT* count) { return SQLNumResultCols(s, count); };
    f.colAttribute = [](SQLHSTMT s, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER text,
                        SQLSMALLINT room, SQLSMALLINT* length, SQLLEN* number) {
      return SQLColAttributeW(s, column, field, text, room, length, number);
    };
    f.fetch = [](SQLHSTMT s) { return SQLFetch(s); };
    f.getData = [](SQLHSTMT s, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer,
                   SQLLEN room,
                   SQLLEN* length) { return SQLGetData(s, column, type, buffer, room, length); };
    f.rowCount = [](SQLHSTMT s, SQLLEN* count) { return SQLRowCount(s, count); };
    f.setStmtAttr = [](SQLHSTMT s, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
      return SQLSetStmtAttrW(s, attribute, value, length);
    };
    f.getDiagRec = [](SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT record, Char* state,
                      SQLINTEGER* native, Char* text, SQLSMALLINT room, SQLSMALLINT* length) {
      return SQLGetDiagRecW(type, h, record, state, native, text, room, length);
    };
    f.getDiagField = [](SQLSMALLINT type, SQLHANDLE h, SQLSMALLINT record, SQLSMALLINT field,
                        SQLPOINTER value, SQLSMALLINT room, SQLSMALLINT* length) {
      return SQLGetDiagFieldW(type, h, record, field, value, room, length);
    };
    return f;
  }();
  return functions;
}

std::optional<DriverFunctions> driverFunctions(SQLHDBC) {
  return std::nullopt;
}

SQLRETURN driverConnect(SQLHDBC connection, const std::string& text) {
  String wide = toOdbc(text);
  return SQLDriverConnectW(connection, nullptr, wide.data(), static_cast<SQLSMALLINT>(wide.size()),
                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
}

void setLoginTimeout(SQLHDBC connection, int seconds) {
  SQLSetConnectAttrW(connection, SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(seconds), 0);
}

bool connectionDead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return succeeded(SQLGetConnectAttrW(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

std::string sqlServerConnectionString(const OdbcLogin& login) {
  const char* driver = std::getenv("FD_ODBC_DRIVER");
  return odbcConnectionString(driver != nullptr && *driver != '\0' ? driver : "SQL Server", login);
}

#else

String toOdbc(const std::string& utf8) {
  return String(utf8.begin(), utf8.end());
}

std::string fromOdbc(const String& text) {
  return std::string(text.begin(), text.end());
}

std::string fromOdbc(const Char* text) {
  return reinterpret_cast<const char*>(text);
}

const Functions& managerFunctions() {
  static const Functions functions = [] {
    Functions f;
    f.allocHandle = &SQLAllocHandle;
    f.freeHandle = &SQLFreeHandle;
    f.execDirect = &SQLExecDirect;
    f.moreResults = &SQLMoreResults;
    f.numResultCols = &SQLNumResultCols;
    f.colAttribute = &SQLColAttribute;
    f.fetch = &SQLFetch;
    f.getData = &SQLGetData;
    f.rowCount = &SQLRowCount;
    f.setStmtAttr = &SQLSetStmtAttr;
    f.getDiagRec = &SQLGetDiagRec;
    f.getDiagField = &SQLGetDiagField;
    return f;
  }();
  return functions;
}

std::optional<DriverFunctions> driverFunctions(SQLHDBC managerConnection) {
  char driverName[256] = {};
  SQLSMALLINT length = 0;
  if (!succeeded(
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
  DriverFunctions driver;
  if (!succeeded(SQLGetInfo(managerConnection, SQL_DRIVER_HDBC, &driver.connection,
                            sizeof driver.connection, nullptr))) {
    return std::nullopt;
  }
  Functions& f = driver.functions;
  bool ok = bind(library, "SQLAllocHandle", f.allocHandle) &&
            bind(library, "SQLFreeHandle", f.freeHandle) &&
            bind(library, "SQLExecDirect", f.execDirect) &&
            bind(library, "SQLMoreResults", f.moreResults) &&
            bind(library, "SQLNumResultCols", f.numResultCols) &&
            bind(library, "SQLColAttribute", f.colAttribute) &&
            bind(library, "SQLFetch", f.fetch) && bind(library, "SQLGetData", f.getData) &&
            bind(library, "SQLRowCount", f.rowCount) &&
            bind(library, "SQLSetStmtAttr", f.setStmtAttr) &&
            bind(library, "SQLGetDiagRec", f.getDiagRec) &&
            bind(library, "SQLGetDiagField", f.getDiagField);
  if (!ok)
    return std::nullopt;
  return driver;
}

SQLRETURN driverConnect(SQLHDBC connection, const std::string& text) {
  String narrow = toOdbc(text);
  return SQLDriverConnect(connection, nullptr, narrow.data(),
                          static_cast<SQLSMALLINT>(narrow.size()), nullptr, 0, nullptr,
                          SQL_DRIVER_NOPROMPT);
}

void setLoginTimeout(SQLHDBC connection, int seconds) {
  SQLSetConnectAttr(connection, SQL_ATTR_LOGIN_TIMEOUT, integerAttribute(seconds), 0);
}

bool connectionDead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return succeeded(SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

std::string sqlServerConnectionString(const OdbcLogin& login) {
  return freeTdsConnectionString(login);
}

#endif

}  // namespace fd::odbc
