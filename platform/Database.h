#pragma once

#include <memory>
#include <string>

namespace fd {

// ADO-shaped access to SQL Server: the settings the updater gives a connection, open, execute
// and close. Failures are thrown as AppError with the provider's own message as description.
class Recordset {
 public:
  virtual ~Recordset() = default;
  virtual bool eof() const = 0;
  // The value of a field of the current row as text; the name is matched without letter case.
  virtual std::string field(const std::string& name) const = 0;
  virtual void moveNext() = 0;
};

inline constexpr int kStateClosed = 0;
inline constexpr int kStateOpen = 1;

class Connection {
 public:
  virtual ~Connection() = default;
  virtual void setMode(int mode) = 0;
  virtual void setCursorLocation(int location) = 0;
  virtual void setProvider(const std::string& provider) = 0;
  // "Initial Catalog", "Data Source", "User Id", "Password".
  virtual void setProperty(const std::string& name, const std::string& value) = 0;
  virtual void open() = 0;
  virtual int state() const = 0;
  virtual std::unique_ptr<Recordset> execute(const std::string& commandText) = 0;
  virtual void close() = 0;
};

class DatabaseProvider {
 public:
  virtual ~DatabaseProvider() = default;
  virtual std::unique_ptr<Connection> createConnection() = 0;
};

}  // namespace fd

namespace fd::err {
// Numbers of database failures, as the platform's data-access layer reports them.
inline constexpr int kDbLoginFailed = -2147217843;      // 0x80040E4D: the server refused the login
inline constexpr int kDbFailure = -2147467259;          // 0x80004005: connection and other failures
inline constexpr int kDbCommandFailed = -2147217900;    // 0x80040E14: a command the server rejected
inline constexpr int kDbNoCurrentRecord = -2146825267;  // 0x800A0BCD (3021)
inline constexpr int kDbItemNotFound = -2146825023;     // 0x800A0CC1 (3265)
inline constexpr int kDbObjectClosed = -2146824584;     // 0x800A0E78 (3704)
inline constexpr int kDbObjectOpen = -2146824583;       // 0x800A0E79 (3705)
inline constexpr int kDbProviderNotFound = -2146824582;  // 0x800A0E7A (3706)
}  // namespace fd::err
