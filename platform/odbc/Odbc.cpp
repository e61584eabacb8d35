#include "platform/odbc/Odbc.h"

#include "platform/OdbcConnectionText.h"

namespace fd::odbc {

namespace {

// Driver-specific diagnostic fields of SQL Server drivers. The SQL Server driver gives the class
// in its own field; FreeTDS only in the message-state field.
constexpr SQLSMALLINT kDiagMessageState = -1150;
constexpr SQLSMALLINT kDiagSeverity = -1152;
constexpr SQLSMALLINT kDiagLine = -1154;

// Bytes of a buffer of ODBC characters, as the functions that fill one take its size.
template <std::size_t N>
constexpr SQLSMALLINT bytesOf(const Char (&)[N]) {
  return static_cast<SQLSMALLINT>(N * sizeof(Char));
}

}  // namespace

std::vector<Diagnostic> diagnostics(const Functions& functions, SQLSMALLINT handleType,
                                    SQLHANDLE handle) {
  std::vector<Diagnostic> out;
  for (SQLSMALLINT record = 1;; ++record) {
    Char state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    // The message's length is in characters.
    String text(1024, Char{});
    SQLRETURN rc = functions.getDiagRec(handleType, handle, record, state, &native, text.data(),
                                        static_cast<SQLSMALLINT>(text.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
      text.assign(static_cast<std::size_t>(length) + 1, Char{});
      rc = functions.getDiagRec(handleType, handle, record, state, &native, text.data(),
                                static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!succeeded(rc))
      break;
    Diagnostic d;
    d.sqlState = fromOdbc(state);
    d.nativeError = native;
    d.text = withoutDriverPrefixes(fromOdbc(text.data()));
    SQLINTEGER severity = 0;
    if (functions.getDiagField(handleType, handle, record, kDiagSeverity, &severity,
                               sizeof severity, nullptr) == SQL_SUCCESS ||
        functions.getDiagField(handleType, handle, record, kDiagMessageState, &severity,
                               sizeof severity, nullptr) == SQL_SUCCESS) {
      d.severity = severity;
    }
    SQLUSMALLINT line = 0;
    if (functions.getDiagField(handleType, handle, record, kDiagLine, &line, sizeof line,
                               nullptr) == SQL_SUCCESS) {
      d.line = line;
    }
    Char server[256] = {};
    SQLSMALLINT serverLength = 0;
    if (functions.getDiagField(handleType, handle, record, SQL_DIAG_SERVER_NAME, server,
                               bytesOf(server), &serverLength) == SQL_SUCCESS) {
      d.server = fromOdbc(server);
    }
    out.push_back(std::move(d));
  }
  return out;
}

Handle::Handle(const Functions& functions, SQLSMALLINT type, SQLHANDLE parent)
    : functions_(functions), type_(type) {
  SQLHANDLE handle = SQL_NULL_HANDLE;
  if ((type == SQL_HANDLE_ENV || parent != SQL_NULL_HANDLE) &&
      succeeded(functions_.allocHandle(type, parent, &handle)))
    handle_ = handle;
}

Handle::~Handle() {
  if (handle_ != SQL_NULL_HANDLE)
    functions_.freeHandle(type_, handle_);
}

std::vector<Diagnostic> Handle::diagnostics() const {
  return odbc::diagnostics(functions_, type_, handle_);
}

Environment::Environment() : handle_(managerFunctions(), SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
  if (handle_)
    SQLSetEnvAttr(handle_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  0);
}

Connection::Connection(const Environment& environment)
    : handle_(managerFunctions(), SQL_HANDLE_DBC, environment.handle()) {}

// The handle itself is freed after.
Connection::~Connection() {
  if (connected_)
    SQLDisconnect(handle_.get());
}

bool Connection::connect(const std::string& text, int loginSeconds) {
  setLoginTimeout(handle_.get(), loginSeconds);
  connected_ = succeeded(driverConnect(handle_.get(), text));
  return connected_;
}

bool Connection::dead() const {
  return connectionDead(handle_.get());
}

void Connection::bypassManager() {
  driver_ = driverFunctions(handle_.get());
}

Statement::Statement(const Connection& connection)
    : functions_(connection.driver_ ? connection.driver_->functions : managerFunctions()),
      connection_(connection.driver_ ? connection.driver_->connection : connection.handle_.get()),
      handle_(functions_, SQL_HANDLE_STMT, connection_) {}

std::vector<Diagnostic> Statement::connectionDiagnostics() const {
  return odbc::diagnostics(functions_, SQL_HANDLE_DBC, connection_);
}

void Statement::setQueryTimeout(int seconds) {
  functions_.setStmtAttr(handle_.get(), SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), 0);
}

SQLRETURN Statement::execute(const std::string& sql) {
  String text = toOdbc(sql);
  return functions_.execDirect(handle_.get(), text.data(), static_cast<SQLINTEGER>(text.size()));
}

SQLRETURN Statement::moreResults() {
  return functions_.moreResults(handle_.get());
}

int Statement::columnCount() {
  SQLSMALLINT columns = 0;
  if (!succeeded(functions_.numResultCols(handle_.get(), &columns)))
    return 0;
  return columns;
}

std::string Statement::columnLabel(int column) {
  Char name[256] = {};
  SQLSMALLINT length = 0;
  functions_.colAttribute(handle_.get(), static_cast<SQLUSMALLINT>(column), SQL_DESC_LABEL, name,
                          bytesOf(name), &length, nullptr);
  return fromOdbc(name);
}

SQLLEN Statement::columnNumber(int column, SQLUSMALLINT field) {
  SQLLEN value = 0;
  functions_.colAttribute(handle_.get(), static_cast<SQLUSMALLINT>(column), field, nullptr, 0,
                          nullptr, &value);
  return value;
}

SQLRETURN Statement::fetch() {
  return functions_.fetch(handle_.get());
}

SQLRETURN Statement::text(int column, std::optional<std::string>& value) {
  String text;
  Char buffer[1024];
  SQLRETURN rc = SQL_SUCCESS;
  for (;;) {
    SQLLEN length = 0;
    rc = functions_.getData(handle_.get(), static_cast<SQLUSMALLINT>(column), kCharType, buffer,
                            sizeof buffer, &length);
    if (rc == SQL_NO_DATA) {
      rc = SQL_SUCCESS;
      break;
    }
    if (!succeeded(rc))
      break;
    if (length == SQL_NULL_DATA) {
      value.reset();
      return rc;
    }
    if (rc == SQL_SUCCESS) {
      text.append(buffer, static_cast<std::size_t>(length) / sizeof(Char));
      break;
    }
    // Truncated: the buffer is full less its terminating zero; the rest comes next call.
    text.append(buffer, std::size(buffer) - 1);
  }
  value = fromOdbc(text);
  return rc;
}

std::optional<long long> Statement::rowCount() {
  SQLLEN count = -1;
  if (!succeeded(functions_.rowCount(handle_.get(), &count)) || count < 0)
    return std::nullopt;
  return count;
}

}  // namespace fd::odbc
