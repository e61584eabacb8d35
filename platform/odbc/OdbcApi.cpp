#include "platform/odbc/OdbcApi.h"

#include <cstdlib>

#include "platform/Text.h"

#ifdef _WIN32
#include "platform/win32/Win32Text.h"
#else
#include <dlfcn.h>
#include <link.h>
#endif

namespace fd::odbc {

// The functions that take text, by the host's name for them.
#ifdef _WIN32
#define FD_ODBC_TEXT(function) function##W

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

std::optional<DriverFunctions> driverFunctions(SQLHDBC) {
  return std::nullopt;
}

std::string sqlServerConnectionString(const OdbcLogin& login) {
  const std::string driver = sqlServerDriver();
  // FreeTDS (under Wine) with its protocol version pinned, as on POSIX.
  return equalsNoCase(driver, "FreeTDS") ? freeTdsConnectionString(login)
                                         : odbcConnectionString(driver, login);
}

#else
#define FD_ODBC_TEXT(function) function

namespace {

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

}  // namespace

String toOdbc(const std::string& utf8) {
  return String(utf8.begin(), utf8.end());
}

std::string fromOdbc(const String& text) {
  return std::string(text.begin(), text.end());
}

std::string fromOdbc(const Char* text) {
  return reinterpret_cast<const char*>(text);
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

std::string sqlServerConnectionString(const OdbcLogin& login) {
  return freeTdsConnectionString(login);
}

#endif

const Functions& managerFunctions() {
  static const Functions functions = [] {
    Functions f;
    f.allocHandle = &SQLAllocHandle;
    f.freeHandle = &SQLFreeHandle;
    f.execDirect = &FD_ODBC_TEXT(SQLExecDirect);
    f.moreResults = &SQLMoreResults;
    f.numResultCols = &SQLNumResultCols;
    f.colAttribute = &FD_ODBC_TEXT(SQLColAttribute);
    f.fetch = &SQLFetch;
    f.getData = &SQLGetData;
    f.rowCount = &SQLRowCount;
    f.setStmtAttr = &FD_ODBC_TEXT(SQLSetStmtAttr);
    f.getDiagRec = &FD_ODBC_TEXT(SQLGetDiagRec);
    f.getDiagField = &FD_ODBC_TEXT(SQLGetDiagField);
    return f;
  }();
  return functions;
}

SQLRETURN driverConnect(SQLHDBC connection, const std::string& text) {
#ifdef _WIN32
  String odbcText = toOdbc(text);
#else
  // FreeTDS reads a narrow connection string as ISO-8859-1; every value has been checked to have
  // that form.
  const std::optional<std::string> latin1 = latin1FromUtf8(text);
  String odbcText = toOdbc(latin1 ? *latin1 : text);
#endif
  return FD_ODBC_TEXT(SQLDriverConnect)(connection, nullptr, odbcText.data(),
                                        static_cast<SQLSMALLINT>(odbcText.size()), nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT);
}

void setLoginTimeout(SQLHDBC connection, int seconds) {
  FD_ODBC_TEXT(SQLSetConnectAttr)
  (connection, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)),
   0);
}

bool connectionDead(SQLHDBC connection) {
  SQLUINTEGER dead = SQL_CD_FALSE;
  return succeeded(FD_ODBC_TEXT(SQLGetConnectAttr)(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0,
                                                   nullptr)) &&
         dead == SQL_CD_TRUE;
}

}  // namespace fd::odbc
