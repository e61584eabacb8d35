#include "support/TdsTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace fd::test {

namespace {

// Reads the server's first line ("PORT N"); gives up after a few seconds.
std::string readFirstLine(int fd) {
  std::string line;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0)
      throw std::runtime_error("tds-test-server did not start");
    char c = 0;
    if (read(fd, &c, 1) != 1)
      throw std::runtime_error("tds-test-server ended at start-up");
    if (c == '\n')
      return line;
    line += c;
  }
}

}  // namespace

TdsTestServer::TdsTestServer(const TdsServerConfig& config) {
  for (const char* name : {"TDSVER", "TDSPORT", "TDSHOST", "TDSDUMP"})
    unsetenv(name);

  std::string pattern = (std::filesystem::temp_directory_path() / "tds-test-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a temporary folder");
  folder_ = pattern;
  {
    std::ofstream out(folder_ / "server.conf");
    out << "server " << config.serverName << "\n";
    for (const auto& [login, password] : config.logins)
      out << "login " << login << " " << password << "\n";
    for (const auto& database : config.databases)
      out << "database " << database << "\n";
    for (const auto& others : config.otherSessions) {
      out << "sessions " << others.login << " " << others.count << " " << others.database << "\n";
    }
  }

  int pipeFds[2];
  if (pipe(pipeFds) != 0)
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::string program = std::string(FD_BIN_DIR) + "/tds-test-server";
  std::string conf = (folder_ / "server.conf").string();
  std::string log = (folder_ / "statements.log").string();
  char* argv[] = {program.data(), const_cast<char*>("0"), conf.data(), log.data(), nullptr};
  int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    throw std::runtime_error("cannot start " + program);
  }
  try {
    std::string line = readFirstLine(pipeFds[0]);
    if (line.rfind("PORT ", 0) != 0)
      throw std::runtime_error("unexpected first line: " + line);
    port_ = std::stoi(line.substr(5));
  } catch (...) {
    close(pipeFds[0]);
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw;
  }
  close(pipeFds[0]);
}

TdsTestServer::~TdsTestServer() {
  stop();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string TdsTestServer::dataSource() const {
  return "127.0.0.1," + std::to_string(port_);
}

std::vector<std::string> TdsTestServer::statementLog() const {
  std::vector<std::string> lines;
  std::ifstream in(folder_ / "statements.log");
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

std::vector<StatementLogEntry> TdsTestServer::logEntries() const {
  std::vector<StatementLogEntry> out;
  for (const std::string& line : statementLog()) {
    StatementLogEntry e;
    std::size_t a = line.find('\t');
    std::size_t b = line.find('\t', a + 1);
    std::size_t c = line.find('\t', b + 1);
    if (c == std::string::npos)
      continue;
    e.login = line.substr(0, a);
    e.database = line.substr(a + 1, b - a - 1);
    e.kind = line.substr(b + 1, c - b - 1);
    e.text = line.substr(c + 1);
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<StatementLogEntry> TdsTestServer::entries(const std::string& kind,
                                                      const std::string& login) const {
  std::vector<StatementLogEntry> out;
  for (StatementLogEntry& e : logEntries()) {
    if (e.kind == kind && strcasecmp(e.login.c_str(), login.c_str()) == 0)
      out.push_back(std::move(e));
  }
  return out;
}

int TdsTestServer::stop() {
  int status = 0;
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  return status;
}

bool TdsTestServer::running() const {
  if (pid_ <= 0)
    return false;
  return waitpid(pid_, nullptr, WNOHANG) == 0;
}

SilentServer::SilentServer() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener_ < 0 ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() {
  for (int s : accepted_)
    close(s);
  close(listener_);
}

int SilentServer::connections() {
  // Taken in and kept open, so each connection counts once and still gets no answer.
  for (int s; (s = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
    accepted_.push_back(s);
  return static_cast<int>(accepted_.size());
}

std::string injected(const std::string& value, const Injection& injection, int decoyPort) {
  std::string tail = injection.tail;
  for (std::size_t at; (at = tail.find("{PORT}")) != std::string::npos;)
    tail.replace(at, 6, std::to_string(decoyPort));
  if (std::string_view(injection.name) == "Nul")
    tail[0] = '\0';
  return value + tail;
}

}  // namespace fd::test
