#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fd::test {

struct TdsServerConfig {
  struct OtherSessions {
    std::string login;
    int count = 0;
    std::string database;  // empty: counted whatever the database
  };
  std::string serverName = "TDSTEST";
  std::vector<std::pair<std::string, std::string>> logins;  // name, password (no spaces)
  std::vector<std::string> databases;
  std::vector<OtherSessions> otherSessions;
};

// One line of the server's statement log.
struct StatementLogEntry {
  std::string login;
  std::string database;
  std::string kind;  // "LOGIN" (text "OK" or "FAILED n"), "SQL" (text: the statement), "RPC"
  std::string text;
};

// The real tds-test-server from the bin folder, on a free loopback port, stopped when this
// object goes. Clears TDSVER, TDSPORT, TDSHOST and TDSDUMP, which would override what the tests
// connect to.
class TdsTestServer {
 public:
  explicit TdsTestServer(const TdsServerConfig& config);
  ~TdsTestServer();
  TdsTestServer(const TdsTestServer&) = delete;
  TdsTestServer& operator=(const TdsTestServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1,PORT", a Data Source the database layer and osql accept.
  std::string dataSource() const;
  std::vector<std::string> statementLog() const;
  std::vector<StatementLogEntry> logEntries() const;
  // Entries of one kind for one login (compared without letter case).
  std::vector<StatementLogEntry> entries(const std::string& kind, const std::string& login) const;
  bool running() const;
  // Sends SIGTERM and waits; returns the wait status. The destructor does the same if needed.
  int stop();
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  int pid_ = -1;
  int port_ = 0;
};

// A free loopback port whose connections the kernel takes in and nobody ever answers: a server
// that stalls during the login, or a decoy that a refused connection string must never reach.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  int port() const { return port_; }
  std::string dataSource() const { return "127.0.0.1," + std::to_string(port_); }
  // How many connections have reached it so far.
  int connections();

 private:
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> accepted_;
};

// The ways a hostile value tried to add keys to a connection string: each ends the value it
// is put in and adds its own key, or cuts the string with a NUL. "{PORT}" stands for a decoy.
struct Injection {
  const char* name;
  const char* tail;
};
inline constexpr Injection kInjections[] = {
    {"Driver", "};Driver={/tmp/fd-no-such-driver.so"},
    {"Port", "};Port={{PORT}"},
    {"Server", "};Server={127.0.0.1,{PORT}"},
    {"Database", "};Database={master"},
    {"Nul", "@;Port={PORT};"},  // "@" becomes the NUL
};
// `value` followed by the injection's tail, "{PORT}" replaced by `decoyPort`.
std::string injected(const std::string& value, const Injection& injection, int decoyPort);

}  // namespace fd::test
