#include "platform/win32/Win32OdbcDatabase.h"

#include <windows.h>
// clang-format off
#include <sql.h>
#include <sqlext.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "platform/AppError.h"
#include "platform/FetchedRecordset.h"
#include "platform/OdbcConnectionText.h"
#include "platform/Text.h"
#include "platform/win32/Win32Text.h"

namespace fd {

namespace {

const char* const kProviderSource = "Microsoft OLE DB Provider for SQL Server";
const char* const kConnectionSource = "ADODB.Connection";

bool succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

struct Diagnostic {
  std::string sqlState;
  int nativeError = 0;
  std::string text;
};

std::vector<Diagnostic> diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::vector<Diagnostic> out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLWCHAR> text(1024);
    SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                                  static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
      text.resize(static_cast<std::size_t>(length) + 1);
      rc = SQLGetDiagRecW(handleType, handle, record, state, &native, text.data(),
                          static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!succeeded(rc)) {
      break;
    }
    out.push_back({narrow(reinterpret_cast<wchar_t*>(state)), static_cast<int>(native),
                   withoutDriverPrefixes(narrow(reinterpret_cast<wchar_t*>(text.data())))});
  }
  return out;
}

AppError providerError(int number, SQLSMALLINT handleType, SQLHANDLE handle,
                       const std::string& fallback) {
  std::vector<Diagnostic> records = diagnostics(handleType, handle);
  return AppError(number, kProviderSource, records.empty() ? fallback : records.front().text);
}

AppError closedError() {
  return AppError(err::kDbObjectClosed, kConnectionSource,
                  "No se permite realizar la operación si el objeto está cerrado.");
}

// A statement handle freed on every path.
class Statement {
 public:
  explicit Statement(SQLHDBC connection) {
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle_))) {
      throw providerError(err::kDbFailure, SQL_HANDLE_DBC, connection, "SQLAllocHandle failed");
    }
  }
  ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT get() const { return handle_; }

 private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

std::string columnText(SQLHSTMT statement, SQLUSMALLINT column) {
  std::wstring value;
  std::vector<SQLWCHAR> buffer(1024);
  const SQLLEN room = static_cast<SQLLEN>(buffer.size() * sizeof(SQLWCHAR));
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_WCHAR, buffer.data(), room, &length);
    if (rc == SQL_NO_DATA) {
      break;
    }
    if (!succeeded(rc)) {
      throw providerError(err::kDbFailure, SQL_HANDLE_STMT, statement, "SQLGetData failed");
    }
    if (length == SQL_NULL_DATA) {
      return "";
    }
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(buffer.data());
    if (rc == SQL_SUCCESS) {
      value.append(chars, static_cast<std::size_t>(length) / sizeof(SQLWCHAR));
      break;
    }
    // Truncated: the buffer is full less its terminating zero; the rest comes next call.
    value.append(chars, buffer.size() - 1);
  }
  return narrow(value);
}

class Win32OdbcConnection : public Connection {
 public:
  Win32OdbcConnection(SQLHENV environment, OdbcTimeouts timeouts)
      : environment_(environment), timeouts_(timeouts) {}
  ~Win32OdbcConnection() override { release(); }

  void setMode(int /*mode*/) override {}
  void setCursorLocation(int /*location*/) override {}
  void setProvider(const std::string& provider) override { provider_ = provider; }
  void setProperty(const std::string& name, const std::string& value) override {
    properties_[toLower(name)] = value;
  }

  void open() override {
    if (connection_ != SQL_NULL_HDBC) {
      throw AppError(err::kDbObjectOpen, kConnectionSource,
                     "No se permite realizar la operación si el objeto está abierto.");
    }
    if (!equalsNoCase(provider_, "SQLOLEDB")) {
      throw AppError(err::kDbProviderNotFound, kConnectionSource,
                     "No se encuentra el proveedor. Puede que no esté instalado correctamente.");
    }
    std::wstring text = widen(odbcConnectionString(
        sqlServerDriverName(), {property("data source"), property("initial catalog"),
                                property("user id"), property("password")}));
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
      connection_ = SQL_NULL_HDBC;
      throw providerError(err::kDbFailure, SQL_HANDLE_ENV, environment_, "SQLAllocHandle failed");
    }
    SQLSetConnectAttrW(connection_, SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.loginSeconds)),
                       0);
    SQLRETURN rc = SQLDriverConnectW(connection_, nullptr, reinterpret_cast<SQLWCHAR*>(text.data()),
                                     static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                     SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) {
      std::vector<Diagnostic> records = diagnostics(SQL_HANDLE_DBC, connection_);
      bool refused = std::any_of(records.begin(), records.end(), [](const Diagnostic& d) {
        return d.nativeError == 18456 || d.sqlState == "28000";
      });
      std::string description =
          records.empty() ? "No se pudo abrir la conexión." : records.front().text;
      SQLFreeHandle(SQL_HANDLE_DBC, connection_);
      connection_ = SQL_NULL_HDBC;
      throw AppError(refused ? err::kDbLoginFailed : err::kDbFailure, kProviderSource, description);
    }
  }

  int state() const override { return connection_ == SQL_NULL_HDBC ? kStateClosed : kStateOpen; }

  std::unique_ptr<Recordset> execute(const std::string& commandText) override {
    if (connection_ == SQL_NULL_HDBC) {
      throw closedError();
    }
    Statement statement(connection_);
    SQLHSTMT s = statement.get();
    SQLSetStmtAttrW(s, SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.statementSeconds)),
                    0);
    std::wstring text = widen(commandText);
    SQLRETURN rc = SQLExecDirectW(s, reinterpret_cast<SQLWCHAR*>(text.data()),
                                  static_cast<SQLINTEGER>(text.size()));
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
    bool haveResult = false;
    // Every result is read, so that an error anywhere in the batch is reported.
    while (rc != SQL_NO_DATA) {
      if (!succeeded(rc)) {
        throw providerError(err::kDbCommandFailed, SQL_HANDLE_STMT, s, "SQLExecDirect failed");
      }
      SQLSMALLINT columns = 0;
      SQLNumResultCols(s, &columns);
      if (columns > 0 && !haveResult) {
        haveResult = true;
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
          SQLWCHAR name[256] = {};
          SQLSMALLINT length = 0;
          SQLColAttributeW(s, c, SQL_DESC_LABEL, name, sizeof name, &length, nullptr);
          names.push_back(narrow(reinterpret_cast<wchar_t*>(name)));
        }
        while ((rc = SQLFetch(s)) != SQL_NO_DATA) {
          if (!succeeded(rc)) {
            throw providerError(err::kDbCommandFailed, SQL_HANDLE_STMT, s, "SQLFetch failed");
          }
          std::vector<std::string> row;
          for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            row.push_back(columnText(s, c));
          }
          rows.push_back(std::move(row));
        }
      }
      rc = SQLMoreResults(s);
    }
    return std::make_unique<FetchedRecordset>(std::move(names), std::move(rows));
  }

  void close() override {
    if (connection_ == SQL_NULL_HDBC) {
      throw closedError();
    }
    release();
  }

 private:
  std::string property(const std::string& name) const {
    auto it = properties_.find(name);
    return it == properties_.end() ? std::string() : it->second;
  }

  void release() {
    if (connection_ == SQL_NULL_HDBC) {
      return;
    }
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    connection_ = SQL_NULL_HDBC;
  }

  SQLHENV environment_;
  OdbcTimeouts timeouts_;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  std::string provider_ = "MSDASQL";
  std::map<std::string, std::string> properties_;
};

}  // namespace

std::string sqlServerDriverName() {
  const char* driver = std::getenv("FD_ODBC_DRIVER");
  return driver != nullptr && *driver != '\0' ? driver : "SQL Server";
}

Win32OdbcDatabaseProvider::Win32OdbcDatabaseProvider(OdbcTimeouts timeouts) : timeouts_(timeouts) {
  SQLHENV environment = SQL_NULL_HENV;
  if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    throw AppError(err::kDbFailure, kProviderSource, "No se pudo iniciar ODBC.");
  }
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  environment_ = environment;
}

Win32OdbcDatabaseProvider::~Win32OdbcDatabaseProvider() {
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

std::unique_ptr<Connection> Win32OdbcDatabaseProvider::createConnection() {
  return std::make_unique<Win32OdbcConnection>(environment_, timeouts_);
}

}  // namespace fd
