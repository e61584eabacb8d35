#include "platform/posix/OdbcDatabase.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

#include "platform/AppError.h"
#include "platform/FetchedRecordset.h"
#include "platform/OdbcConnectionText.h"
#include "platform/Text.h"

namespace fd {

namespace {

// Driver-specific diagnostic fields of SQL Server drivers.
constexpr SQLSMALLINT kDiagMessageState = -1150;
constexpr SQLSMALLINT kDiagLine = -1154;

const char* const kProviderSource = "Microsoft OLE DB Provider for SQL Server";
const char* const kConnectionSource = "ADODB.Connection";

AppError providerError(int number, short handleType, void* handle, const std::string& fallback) {
  std::vector<OdbcDiagnostic> records = odbcDiagnostics(handleType, handle);
  std::string description = records.empty() ? fallback : records.front().text;
  return AppError(number, kProviderSource, description);
}

bool succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
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

std::string columnText(SQLHSTMT statement, SQLUSMALLINT column, bool& isNull) {
  std::string value;
  char buffer[1024];
  for (;;) {
    SQLLEN length = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
    if (rc == SQL_NO_DATA)
      break;
    if (!succeeded(rc)) {
      throw providerError(err::kDbFailure, SQL_HANDLE_STMT, statement, "SQLGetData failed");
    }
    if (length == SQL_NULL_DATA) {
      isNull = true;
      return "";
    }
    if (rc == SQL_SUCCESS) {
      value.append(buffer, static_cast<std::size_t>(length));
      break;
    }
    // Truncated: the buffer is full less its terminating zero; the rest comes next call.
    value.append(buffer, sizeof buffer - 1);
  }
  isNull = false;
  return value;
}

class OdbcConnection : public Connection {
 public:
  OdbcConnection(SQLHENV environment, OdbcTimeouts timeouts)
      : environment_(environment), timeouts_(timeouts) {}
  ~OdbcConnection() override { release(); }

  void setMode(int mode) override { mode_ = mode; }
  void setCursorLocation(int location) override { cursorLocation_ = location; }
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
    std::string text =
        freeTdsConnectionString({property("data source"), property("initial catalog"),
                                 property("user id"), property("password")});
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_))) {
      connection_ = SQL_NULL_HDBC;
      throw providerError(err::kDbFailure, SQL_HANDLE_ENV, environment_, "SQLAllocHandle failed");
    }
    SQLSetConnectAttr(connection_, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.loginSeconds)),
                      0);
    SQLRETURN rc = SQLDriverConnect(connection_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                    static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr,
                                    SQL_DRIVER_NOPROMPT);
    if (!succeeded(rc)) {
      std::vector<OdbcDiagnostic> records = odbcDiagnostics(SQL_HANDLE_DBC, connection_);
      bool refused = std::any_of(records.begin(), records.end(), [](const OdbcDiagnostic& d) {
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
      throw AppError(err::kDbObjectClosed, kConnectionSource,
                     "No se permite realizar la operación si el objeto está cerrado.");
    }
    Statement statement(connection_);
    SQLHSTMT s = statement.get();
    SQLSetStmtAttr(s, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts_.statementSeconds)),
                   0);
    std::string text = commandText;
    SQLRETURN rc = SQLExecDirect(s, reinterpret_cast<SQLCHAR*>(text.data()),
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
          char name[256] = {};
          SQLSMALLINT length = 0;
          SQLColAttribute(s, c, SQL_DESC_LABEL, name, sizeof name, &length, nullptr);
          names.emplace_back(name);
        }
        while ((rc = SQLFetch(s)) != SQL_NO_DATA) {
          if (!succeeded(rc)) {
            throw providerError(err::kDbCommandFailed, SQL_HANDLE_STMT, s, "SQLFetch failed");
          }
          std::vector<std::string> row;
          for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            bool isNull = false;
            row.push_back(columnText(s, c, isNull));
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
      throw AppError(err::kDbObjectClosed, kConnectionSource,
                     "No se permite realizar la operación si el objeto está cerrado.");
    }
    release();
  }

 private:
  std::string property(const std::string& name) const {
    auto it = properties_.find(name);
    return it == properties_.end() ? std::string() : it->second;
  }

  void release() {
    if (connection_ == SQL_NULL_HDBC)
      return;
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    connection_ = SQL_NULL_HDBC;
  }

  SQLHENV environment_;
  OdbcTimeouts timeouts_;
  SQLHDBC connection_ = SQL_NULL_HDBC;
  int mode_ = 0;
  int cursorLocation_ = 2;
  std::string provider_ = "MSDASQL";
  std::map<std::string, std::string> properties_;
};

}  // namespace

OdbcDatabaseProvider::OdbcDatabaseProvider(OdbcTimeouts timeouts) : timeouts_(timeouts) {
  SQLHENV environment = SQL_NULL_HENV;
  if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    throw AppError(err::kDbFailure, kProviderSource, "No se pudo iniciar ODBC.");
  }
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  environment_ = environment;
}

OdbcDatabaseProvider::~OdbcDatabaseProvider() {
  SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

std::unique_ptr<Connection> OdbcDatabaseProvider::createConnection() {
  return std::make_unique<OdbcConnection>(environment_, timeouts_);
}

std::string freeTdsConnectionString(const OdbcLogin& login) {
  // An explicit protocol version: with the default, a login that times out falls back to
  // TDS 5.0, whose clean-up after a second time-out never ends.
  return odbcConnectionString("FreeTDS", login) + "TDS_Version=7.4;ClientCharset=UTF-8;";
}

std::vector<OdbcDiagnostic> odbcDiagnostics(short handleType, void* handle) {
  std::vector<OdbcDiagnostic> out;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::vector<SQLCHAR> text(1024);
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
      text.resize(static_cast<std::size_t>(length) + 1);
      rc = SQLGetDiagRec(handleType, handle, record, state, &native, text.data(),
                         static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!succeeded(rc))
      break;
    OdbcDiagnostic d;
    d.sqlState = reinterpret_cast<char*>(state);
    d.nativeError = native;
    d.text = withoutDriverPrefixes(reinterpret_cast<char*>(text.data()));
    SQLINTEGER value = 0;
    if (SQLGetDiagField(handleType, handle, record, kDiagMessageState, &value, sizeof value,
                        nullptr) == SQL_SUCCESS) {
      d.severity = value;
    }
    SQLUSMALLINT line = 0;
    if (SQLGetDiagField(handleType, handle, record, kDiagLine, &line, sizeof line, nullptr) ==
        SQL_SUCCESS) {
      d.line = line;
    }
    SQLCHAR server[256] = {};
    SQLSMALLINT serverLength = 0;
    if (SQLGetDiagField(handleType, handle, record, SQL_DIAG_SERVER_NAME, server, sizeof server,
                        &serverLength) == SQL_SUCCESS) {
      d.server = reinterpret_cast<char*>(server);
    }
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace fd
