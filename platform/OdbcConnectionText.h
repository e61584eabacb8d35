#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fd {

// How long the updater's own connections wait, as ADO does unless told otherwise: a login
// 15 seconds, a statement 30. Zero waits for ever.
struct OdbcTimeouts {
  int loginSeconds = 15;
  int statementSeconds = 30;
};

// The driver every connection of this host goes through: FreeTDS on POSIX; on Windows the
// system's "SQL Server", or the one FD_ODBC_DRIVER names (FreeTDS under Wine).
std::string sqlServerDriver();

// Why a value cannot be handed to the driver, braced: a NUL or another control character cuts or
// garbles it on any driver. The system's driver reads "}}" inside braces as one "}"; unixODBC ends
// a braced value at its first "}" (what follows could name another driver library) and FreeTDS
// keeps "}}" as it stands, so with FreeTDS a "}" cannot pass at all. FreeTDS also reads the
// connection string as ISO-8859-1, so a letter beyond it (or text that is not UTF-8) cannot pass.
// Empty when the value passes.
std::string odbcValueFault(std::string_view value, std::string_view driver);

// UTF-8 text as ISO-8859-1, the connection string FreeTDS reads; nothing when a character has no
// ISO-8859-1 form.
std::optional<std::string> latin1FromUtf8(std::string_view utf8);

// What the updater's connections and the query tool log in with.
struct OdbcLogin {
  std::string dataSource;  // "(local)", ".", "localhost", "host", "host,port", "host\instance"
  std::string database;
  std::string user;
  std::string password;
};

// The one connection string of every connection, on every host: every value braced, so that
// ";", "=", "{" and spaces stay inside it. The Data Source reaches the driver as typed, but for
// FreeTDS, which takes "(local)", "." and "localhost" (any case) only as 127.0.0.1 on port 1433;
// "host,port" and "host\instance" pass as they are. Throws AppError (kDbFailure) naming the key,
// never the value, when a value cannot pass safely, before anything connects.
std::string odbcConnectionString(const std::string& driver, const OdbcLogin& login);

// The connection string of the FreeTDS driver for a login, in UTF-8; throws as above.
std::string freeTdsConnectionString(const OdbcLogin& login);

// A driver's message without the leading "[vendor][driver][SQL Server]" parts.
std::string withoutDriverPrefixes(std::string text);

}  // namespace fd
