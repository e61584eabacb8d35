#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ServerHost.h"

namespace fd::tds {

// What the configuration file sets up. Its lines (blank lines and "#" comments ignored):
//   server NAME                     the server name in messages (default TDSTEST)
//   login NAME PASSWORD             a login that may connect
//   database NAME                   a user database (master, model, msdb, tempdb always exist;
//                                   a line naming one of them in another letter case respells it)
//   offline NAME                    a user database that is listed but cannot be opened
//   sessions LOGIN COUNT [DATABASE] sessions of LOGIN held by other users, counted by the users
//                                   query; with DATABASE only while that database exists
struct ServerConfig {
  struct OtherSessions {
    std::string login;
    int count = 0;
    std::string database;  // empty: not tied to a database
  };
  std::string serverName = "TDSTEST";
  std::vector<std::pair<std::string, std::string>> logins;
  std::vector<std::string> databases;
  std::vector<OtherSessions> otherSessions;
  // Listed like the others, but a login into one fails (a database offline or being restored).
  std::vector<std::string> offline;
};

// Throws std::runtime_error with the line at fault.
ServerConfig readConfig(const std::filesystem::path& path);

// The server's case-insensitive order: punctuation before digits before letters, as SQL Server's
// default collation sorts names.
bool collateLess(std::string_view a, std::string_view b);
bool equalsCi(std::string_view a, std::string_view b);

// Everything the connections share: logins, databases, live sessions, the statement log.
class ServerState {
 public:
  ServerState(ServerConfig config, std::filesystem::path logPath);

  const std::string& serverName() const { return config_.serverName; }

  bool passwordMatches(const std::string& login, const std::string& password) const;
  // The database as the server spells it, when it exists.
  std::optional<std::string> findDatabase(std::string_view name) const;
  std::vector<std::string> databasesInOrder() const;

  // A session of the client on `socket`, which stays open until closeSession.
  int openSession(const std::string& login, const std::string& database, Socket socket);
  void setSessionDatabase(int spid, const std::string& database);
  void closeSession(int spid);
  // Live sessions of the login (those whose client has not hung up) plus the configured other
  // sessions.
  int sessionCount(std::string_view login) const;

  enum class PasswordChange { Changed, NoSuchLogin, WrongOldPassword };
  PasswordChange changePassword(std::string_view login,
                                const std::optional<std::string>& oldPassword,
                                const std::string& newPassword);

  // One line: login, database, kind and text separated by tabs; line breaks inside the text
  // become spaces so that each entry stays one line.
  void log(std::string_view login, std::string_view database, std::string_view kind,
           std::string_view text);

 private:
  struct Session {
    std::string login;
    std::string database;
    Socket socket = kNoSocket;
  };

  ServerConfig config_;
  std::filesystem::path logPath_;
  std::vector<std::string> databases_;
  mutable std::mutex mutex_;
  std::map<int, Session> sessions_;
  int nextSpid_ = 51;
  std::mutex logMutex_;
};

}  // namespace fd::tds
