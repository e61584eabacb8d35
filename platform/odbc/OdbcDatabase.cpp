#include "platform/odbc/OdbcDatabase.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "platform/AppError.h"
#include "platform/FetchedRecordset.h"
#include "platform/Text.h"

namespace fd {

namespace {

const char* const kProviderSource = "Microsoft OLE DB Provider for SQL Server";
const char* const kConnectionSource = "ADODB.Connection";

AppError providerError(int number, const std::vector<odbc::Diagnostic>& records,
                       const std::string& fallback) {
  return AppError(number, kProviderSource, records.empty() ? fallback : records.front().text);
}

AppError closedError() {
  return AppError(err::kDbObjectClosed, kConnectionSource,
                  "No se permite realizar la operación si el objeto está cerrado.");
}

class OdbcConnection : public Connection {
 public:
  OdbcConnection(const odbc::Environment& environment, OdbcTimeouts timeouts)
      : environment_(environment), timeouts_(timeouts) {}

  // Mode and cursor location change nothing here: every result is read whole, client-side.
  void setMode(int /*mode*/) override {}
  void setCursorLocation(int /*location*/) override {}
  void setProvider(const std::string& provider) override { provider_ = provider; }
  void setProperty(const std::string& name, const std::string& value) override {
    properties_[toLower(name)] = value;
  }

  void open() override {
    if (connection_) {
      throw AppError(err::kDbObjectOpen, kConnectionSource,
                     "No se permite realizar la operación si el objeto está abierto.");
    }
    if (!equalsNoCase(provider_, "SQLOLEDB")) {
      throw AppError(err::kDbProviderNotFound, kConnectionSource,
                     "No se encuentra el proveedor. Puede que no esté instalado correctamente.");
    }
    std::string text =
        odbc::sqlServerConnectionString({property("data source"), property("initial catalog"),
                                         property("user id"), property("password")});
    connection_.emplace(environment_);
    if (!connection_->allocated()) {
      connection_.reset();
      throw providerError(err::kDbFailure, environment_.diagnostics(), "SQLAllocHandle failed");
    }
    if (!connection_->connect(text, timeouts_.loginSeconds)) {
      std::vector<odbc::Diagnostic> records = connection_->diagnostics();
      connection_.reset();
      bool refused = std::any_of(records.begin(), records.end(), [](const odbc::Diagnostic& d) {
        return d.nativeError == 18456 || d.sqlState == "28000";
      });
      throw providerError(refused ? err::kDbLoginFailed : err::kDbFailure, records,
                          "No se pudo abrir la conexión.");
    }
  }

  int state() const override { return connection_ ? kStateOpen : kStateClosed; }

  std::unique_ptr<Recordset> execute(const std::string& commandText) override {
    if (!connection_)
      throw closedError();
    odbc::Statement statement(*connection_);
    if (!statement.allocated()) {
      throw providerError(err::kDbFailure, statement.connectionDiagnostics(),
                          "SQLAllocHandle failed");
    }
    statement.setQueryTimeout(timeouts_.statementSeconds);
    SQLRETURN rc = statement.execute(commandText);
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> rows;
    bool haveResult = false;
    // Every result is read, so that an error anywhere in the batch is reported.
    while (rc != SQL_NO_DATA) {
      if (!odbc::succeeded(rc)) {
        throw providerError(err::kDbCommandFailed, statement.diagnostics(), "SQLExecDirect failed");
      }
      const int columns = statement.columnCount();
      if (columns > 0 && !haveResult) {
        haveResult = true;
        for (int c = 1; c <= columns; ++c)
          names.push_back(statement.columnLabel(c));
        while ((rc = statement.fetch()) != SQL_NO_DATA) {
          if (!odbc::succeeded(rc)) {
            throw providerError(err::kDbCommandFailed, statement.diagnostics(), "SQLFetch failed");
          }
          std::vector<std::string> row;
          for (int c = 1; c <= columns; ++c) {
            std::optional<std::string> value;
            if (!odbc::succeeded(statement.text(c, value))) {
              throw providerError(err::kDbFailure, statement.diagnostics(), "SQLGetData failed");
            }
            row.push_back(value.value_or(""));
          }
          rows.push_back(std::move(row));
        }
      }
      rc = statement.moreResults();
    }
    return std::make_unique<FetchedRecordset>(std::move(names), std::move(rows));
  }

  void close() override {
    if (!connection_)
      throw closedError();
    connection_.reset();
  }

 private:
  std::string property(const std::string& name) const {
    auto it = properties_.find(name);
    return it == properties_.end() ? std::string() : it->second;
  }

  const odbc::Environment& environment_;
  OdbcTimeouts timeouts_;
  std::optional<odbc::Connection> connection_;
  std::string provider_ = "MSDASQL";
  std::map<std::string, std::string> properties_;
};

}  // namespace

OdbcDatabaseProvider::OdbcDatabaseProvider(OdbcTimeouts timeouts) : timeouts_(timeouts) {
  if (!environment_)
    throw AppError(err::kDbFailure, kProviderSource, "No se pudo iniciar ODBC.");
}

std::unique_ptr<Connection> OdbcDatabaseProvider::createConnection() {
  return std::make_unique<OdbcConnection>(environment_, timeouts_);
}

}  // namespace fd
