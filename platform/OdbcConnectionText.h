#pragma once

#include <string>
#include <string_view>

namespace fd {

// How long the updater's own connections wait, as ADO does unless told otherwise: a login
// 15 seconds, a statement 30. Zero waits for ever.
struct OdbcTimeouts {
  int loginSeconds = 15;
  int statementSeconds = 30;
};

// Why a value cannot be handed to an ODBC driver: FreeTDS ends a braced value at the first
// "};" even when "}" is doubled, so a "}", "{", ";" or "=" could add keys of its own (another
// driver library, port or server); a NUL or another control character cuts or garbles it.
// Empty when the value passes.
std::string odbcValueFault(std::string_view value);

// What the updater's connections and the query tool log in with.
struct OdbcLogin {
  std::string dataSource;  // "(local)", ".", "localhost", "host", "host,port", "host\instance"
  std::string database;
  std::string user;
  std::string password;
};

// The one connection string of every connection, on every host. The Data Source reaches the
// driver as typed, but for FreeTDS, which takes "(local)", "." and "localhost" (any case) only as
// 127.0.0.1 on port 1433; "host,port" and "host\instance" pass as they are. Throws AppError
// (kDbFailure) naming the key, never the value, when a value cannot pass safely, before anything
// connects.
std::string odbcConnectionString(const std::string& driver, const OdbcLogin& login);

// The connection string of the FreeTDS driver for a login, in UTF-8; throws as above.
std::string freeTdsConnectionString(const OdbcLogin& login);

// A driver's message without the leading "[vendor][driver][SQL Server]" parts.
std::string withoutDriverPrefixes(std::string text);

}  // namespace fd
