#include "ServerState.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fd::tds {

namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Sort class and weight of one byte: punctuation, digits, letters, then non-ASCII bytes.
std::pair<int, int> weight(char c) {
  auto u = static_cast<unsigned char>(c);
  if (u >= 0x80)
    return {3, u};
  char l = lowerAscii(c);
  if (l >= '0' && l <= '9')
    return {1, l};
  if (l >= 'a' && l <= 'z')
    return {2, l};
  return {0, u};
}

}  // namespace

bool collateLess(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto wa = weight(a[i]);
    auto wb = weight(b[i]);
    if (wa != wb)
      return wa < wb;
  }
  if (a.size() != b.size())
    return a.size() < b.size();
  return a < b;
}

bool equalsCi(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i]))
      return false;
  }
  return true;
}

ServerConfig readConfig(const std::filesystem::path& file) {
  const std::string path = file.string();
  std::ifstream in(file);
  if (!in)
    throw std::runtime_error("cannot read the configuration file " + path);
  ServerConfig config;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::istringstream words(line);
    std::string key;
    if (!(words >> key) || key[0] == '#')
      continue;
    std::vector<std::string> args;
    for (std::string w; words >> w;)
      args.push_back(w);
    auto bad = [&]() {
      return std::runtime_error(path + ":" + std::to_string(number) + ": cannot read \"" + line +
                                "\"");
    };
    if (key == "server" && args.size() == 1) {
      config.serverName = args[0];
    } else if (key == "login" && args.size() == 2) {
      config.logins.emplace_back(args[0], args[1]);
    } else if (key == "login" && args.size() == 1) {
      config.logins.emplace_back(args[0], "");
    } else if ((key == "database" || key == "offline") && !args.empty()) {
      // A name of several words keeps one space between them.
      std::string name = args[0];
      for (std::size_t i = 1; i < args.size(); ++i)
        name += " " + args[i];
      config.databases.push_back(name);
      if (key == "offline")
        config.offline.push_back(name);
    } else if (key == "sessions" && (args.size() == 2 || args.size() == 3)) {
      ServerConfig::OtherSessions others;
      others.login = args[0];
      try {
        others.count = std::stoi(args[1]);
      } catch (const std::exception&) {
        throw bad();
      }
      if (args.size() == 3)
        others.database = args[2];
      config.otherSessions.push_back(others);
    } else {
      throw bad();
    }
  }
  return config;
}

ServerState::ServerState(ServerConfig config, std::filesystem::path logPath)
    : config_(std::move(config)), logPath_(std::move(logPath)) {
  databases_ = {"master", "model", "msdb", "tempdb"};
  for (const std::string& name : config_.databases) {
    auto same = std::find_if(databases_.begin(), databases_.end(),
                             [&](const std::string& d) { return equalsCi(d, name); });
    if (same != databases_.end()) {
      *same = name;
    } else {
      databases_.push_back(name);
    }
  }
  std::stable_sort(databases_.begin(), databases_.end(),
                   [](const std::string& a, const std::string& b) { return collateLess(a, b); });
}

bool ServerState::passwordMatches(const std::string& login, const std::string& password) const {
  std::lock_guard lock(mutex_);
  for (const auto& [name, pwd] : config_.logins) {
    if (equalsCi(name, login))
      return pwd == password;
  }
  return false;
}

std::optional<std::string> ServerState::findDatabase(std::string_view name) const {
  for (const std::string& d : config_.offline) {
    if (equalsCi(d, name))
      return std::nullopt;
  }
  for (const std::string& d : databases_) {
    if (equalsCi(d, name))
      return d;
  }
  return std::nullopt;
}

std::vector<std::string> ServerState::databasesInOrder() const {
  return databases_;
}

int ServerState::openSession(const std::string& login, const std::string& database, Socket socket) {
  std::lock_guard lock(mutex_);
  int spid = nextSpid_++;
  sessions_[spid] = Session{login, database, socket};
  return spid;
}

void ServerState::setSessionDatabase(int spid, const std::string& database) {
  std::lock_guard lock(mutex_);
  auto it = sessions_.find(spid);
  if (it != sessions_.end())
    it->second.database = database;
}

void ServerState::closeSession(int spid) {
  std::lock_guard lock(mutex_);
  sessions_.erase(spid);
}

int ServerState::sessionCount(std::string_view login) const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [spid, s] : sessions_) {
    if (equalsCi(s.login, login) && findDatabase(s.database) && !peerHungUp(s.socket))
      ++count;
  }
  for (const auto& others : config_.otherSessions) {
    if (!equalsCi(others.login, login))
      continue;
    if (others.database.empty() || findDatabase(others.database))
      count += others.count;
  }
  return count;
}

ServerState::PasswordChange ServerState::changePassword(
    std::string_view login, const std::optional<std::string>& oldPassword,
    const std::string& newPassword) {
  std::lock_guard lock(mutex_);
  for (auto& [name, pwd] : config_.logins) {
    if (!equalsCi(name, login))
      continue;
    if (oldPassword && *oldPassword != pwd)
      return PasswordChange::WrongOldPassword;
    pwd = newPassword;
    return PasswordChange::Changed;
  }
  return PasswordChange::NoSuchLogin;
}

void ServerState::log(std::string_view login, std::string_view database, std::string_view kind,
                      std::string_view text) {
  std::string line;
  line.append(login).append("\t").append(database).append("\t").append(kind).append("\t");
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i > 0 && text[i - 1] == '\r')
      continue;  // CR LF is one break
    line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
  }
  line += '\n';
  std::lock_guard lock(logMutex_);
  std::ofstream out(logPath_, std::ios::app | std::ios::binary);
  out << line;
}

}  // namespace fd::tds
