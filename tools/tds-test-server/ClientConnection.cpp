#include "ClientConnection.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <regex>

#include "platform/Text.h"

namespace fd::tds {

namespace {

constexpr std::size_t kPacketSize = 4096;
constexpr std::uint16_t kCommandSelect = 0xC1;

std::uint16_t u16At(const std::vector<std::uint8_t>& p, std::size_t at) {
  return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}

std::uint32_t u32At(const std::vector<std::uint8_t>& p, std::size_t at) {
  return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) |
         (static_cast<std::uint32_t>(p[at + 3]) << 24);
}

// A LOGIN7 string given by its (offset, characters) pair at `field`.
std::string loginString(const std::vector<std::uint8_t>& p, std::size_t field,
                        bool obfuscated = false) {
  std::size_t offset = u16At(p, field);
  std::size_t characters = u16At(p, field + 2);
  if (offset + 2 * characters > p.size())
    throw ProtocolError{"LOGIN7 field out of bounds"};
  std::vector<std::uint8_t> bytes(p.begin() + offset, p.begin() + offset + 2 * characters);
  if (obfuscated) {
    // The client swapped each byte's nibbles and XORed it with 0xA5.
    for (std::uint8_t& b : bytes) {
      b ^= 0xA5;
      b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
    }
  }
  return utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), 2 * characters));
}

bool isWord(const std::vector<Token>& t, std::size_t i, std::string_view word) {
  return i < t.size() && t[i].kind == Token::Kind::Word && equalsCi(t[i].text, word);
}

bool isSymbol(const std::vector<Token>& t, std::size_t i, char c) {
  return i < t.size() && t[i].kind == Token::Kind::Symbol && t[i].text[0] == c;
}

bool isProcedure(const Token& t, std::string_view name) {
  if (t.kind != Token::Kind::Word)
    return false;
  std::string_view text = t.text;
  std::size_t dot = text.rfind('.');
  if (dot != std::string_view::npos)
    text = text.substr(dot + 1);
  return equalsCi(text, name);
}

std::string lastPart(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

}  // namespace

ClientConnection::~ClientConnection() {
  if (loggedIn_)
    state_.closeSession(spid_);
}

void ClientConnection::run() {
  try {
    Message message;
    while (readMessage(socket_, message)) {
      bool keep = true;
      switch (message.type) {
        case kPacketPrelogin:
          keep = !loggedIn_ && prelogin();
          break;
        case kPacketLogin7:
          keep = !loggedIn_ && login(message);
          break;
        case kPacketSqlBatch:
          keep = loggedIn_ && batch(message);
          break;
        case kPacketAttention: {
          ReplyBuilder reply(version_);
          reply.done(kDoneAttention, 0, 0);
          keep = send(reply);
          break;
        }
        case kPacketRpc: {
          if (!loggedIn_)
            return;
          state_.log(login_, database_, "RPC", "");
          ReplyBuilder reply(version_);
          error(reply, 50000, 1, 16, "Remote procedure calls are not supported by this server.", 1);
          reply.done(kDoneError, 0, 0);
          keep = send(reply);
          break;
        }
        case kPacketTransaction: {
          ReplyBuilder reply(version_);
          reply.done(0, 0, 0);
          keep = loggedIn_ && send(reply);
          break;
        }
        default:
          keep = false;
      }
      if (!keep)
        return;
    }
  } catch (const ProtocolError&) {
    // Drop this client; the server goes on.
  } catch (const std::exception&) {
  }
}

bool ClientConnection::send(ReplyBuilder& reply) {
  return sendMessage(socket_, kPacketReply, reply.finish(), spid_, kPacketSize);
}

bool ClientConnection::prelogin() {
  return sendMessage(socket_, kPacketReply, preloginReply(), 0, kPacketSize);
}

bool ClientConnection::login(const Message& message) {
  const auto& p = message.payload;
  if (p.size() < 72 || u32At(p, 0) > p.size() + 0u)
    throw ProtocolError{"short LOGIN7"};
  std::uint32_t version = u32At(p, 4);
  version_ = (version >= kTds70 && version <= kTds74) ? version : kTds74;
  std::string user = loginString(p, 40);
  std::string password = loginString(p, 44, true);
  std::string requested = loginString(p, 68);
  if (requested.empty())
    requested = "master";

  ReplyBuilder reply(version_);
  std::optional<std::string> database = state_.findDatabase(requested);
  if (!state_.passwordMatches(user, password)) {
    state_.log(user, requested, "LOGIN", "FAILED 18456");
    error(reply, 18456, 1, 14, "Login failed for user '" + user + "'.", 1);
    reply.done(kDoneError, 0, 0);
    send(reply);
    return false;
  }
  if (!database) {
    state_.log(user, requested, "LOGIN", "FAILED 4060");
    error(reply, 4060, 1, 11,
          "Cannot open database \"" + requested + "\" requested by the login. The login failed.",
          1);
    reply.done(kDoneError, 0, 0);
    send(reply);
    return false;
  }
  login_ = user;
  database_ = *database;
  spid_ = static_cast<std::uint16_t>(state_.openSession(login_, database_, socket_));
  loggedIn_ = true;
  state_.log(login_, database_, "LOGIN", "OK");
  reply.envChange(1, database_, "master");
  info(reply, 5701, 2, "Changed database context to '" + database_ + "'.", 1);
  reply.envChangeCollation();
  reply.envChange(2, "us_english", "");
  info(reply, 5703, 1, "Changed language setting to us_english.", 1);
  reply.loginAck("Microsoft SQL Server");
  reply.envChange(4, std::to_string(kPacketSize), std::to_string(kPacketSize));
  reply.done(0, 0, 0);
  return send(reply);
}

bool ClientConnection::batch(const Message& message) {
  const auto& p = message.payload;
  std::size_t at = 0;
  if (version_ >= kTds72) {
    if (p.size() < 4)
      throw ProtocolError{"batch without ALL_HEADERS"};
    at = u32At(p, 0);
    if (at < 4 || at > p.size())
      throw ProtocolError{"bad ALL_HEADERS length"};
  }
  if ((p.size() - at) % 2 != 0)
    throw ProtocolError{"odd batch text length"};
  std::string text =
      utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(p.data() + at), p.size() - at));

  ReplyBuilder reply(version_);
  for (const Statement& statement : splitBatch(text))
    runStatement(statement, reply);
  if (reply.empty())
    reply.done(0, 0, 0);
  return send(reply);
}

void ClientConnection::error(ReplyBuilder& reply, int number, int state, int severity,
                             const std::string& text, int line) {
  reply.message(severity > 10, number, static_cast<std::uint8_t>(state),
                static_cast<std::uint8_t>(severity), text, state_.serverName(), line);
  if (severity > 10)
    statementFailed_ = true;
}

void ClientConnection::info(ReplyBuilder& reply, int number, int state, const std::string& text,
                            int line) {
  reply.message(false, number, static_cast<std::uint8_t>(state), 0, text, state_.serverName(),
                line);
}

void ClientConnection::runStatement(const Statement& statement, ReplyBuilder& reply) {
  state_.log(login_, database_, "SQL", statement.text);
  statementFailed_ = false;
  std::vector<Token> tokens = tokenize(statement.text);
  std::string normal = collapseSpaces(statement.text);
  static const std::regex databaseQuery(
      R"(SELECT NAME FROM (MASTER\.(DBO)?\.)?SYSDATABASES ORDER BY NAME)", std::regex::icase);
  static const std::regex usersQuery(
      R"(SELECT COUNT\(\*\) AS CC FROM MASTER\.\.SYSPROCESSES SP INNER JOIN MASTER\.\.SYSDATABASES SD )"
      R"(ON SP\.DBID = SD\.DBID WHERE SP\.LOGINAME = '([^']*)')",
      std::regex::icase);
  std::smatch match;
  const int line = statement.line;
  if (std::regex_match(normal, databaseQuery)) {
    databaseList(reply);
    return;
  }
  if (std::regex_match(normal, match, usersQuery)) {
    sessionCount(reply, match[1].str());
    return;
  }
  if (isWord(tokens, 0, "PRINT")) {
    std::string text = tokens.size() == 2 && tokens[1].kind == Token::Kind::String
                           ? tokens[1].text
                           : statement.text.substr(std::min<std::size_t>(6, statement.text.size()));
    info(reply, 0, 1, text, line);
  } else if (isWord(tokens, 0, "RAISERROR")) {
    raiseError(tokens, reply, line);
  } else if (isWord(tokens, 0, "USE")) {
    use(tokens, reply, line);
  } else if (!tokens.empty() && isProcedure(tokens[0], "sp_password")) {
    spPassword(tokens, 1, reply, line);
  } else if ((isWord(tokens, 0, "EXEC") || isWord(tokens, 0, "EXECUTE")) && tokens.size() > 1 &&
             isProcedure(tokens[1], "sp_password")) {
    spPassword(tokens, 2, reply, line);
  } else if (isWord(tokens, 0, "ALTER") && isWord(tokens, 1, "LOGIN")) {
    alterLogin(tokens, reply, line);
  }
  reply.done(statementFailed_ ? kDoneError : 0, 0, 0);
}

void ClientConnection::databaseList(ReplyBuilder& reply) {
  const std::vector<Column> columns = {{"name", Column::Type::NVarChar, 128}};
  reply.columns(columns);
  std::vector<std::string> names = state_.databasesInOrder();
  for (const std::string& name : names)
    reply.row(columns, {name});
  reply.done(kDoneCount, kCommandSelect, names.size());
}

void ClientConnection::sessionCount(ReplyBuilder& reply, const std::string& login) {
  const std::vector<Column> columns = {{"CC", Column::Type::Int, 0}};
  reply.columns(columns);
  reply.row(columns, {std::to_string(state_.sessionCount(login))});
  reply.done(kDoneCount, kCommandSelect, 1);
}

void ClientConnection::use(const std::vector<Token>& tokens, ReplyBuilder& reply, int line) {
  std::string name = tokens.size() > 1 ? tokens[1].text : "";
  std::optional<std::string> database = state_.findDatabase(name);
  if (!database) {
    error(reply, 911, 1, 16,
          "Database '" + name + "' does not exist. Make sure that the name is entered correctly.",
          line);
    return;
  }
  reply.envChange(1, *database, database_);
  database_ = *database;
  state_.setSessionDatabase(spid_, database_);
  info(reply, 5701, 1, "Changed database context to '" + database_ + "'.", line);
}

// RAISERROR('text' | number, severity, state): severity 11 and above is an error, below a
// message. As SQL Server: a number outside 13000..2147483647 (or 50000 itself) is refused with
// error 2732, a severity above 25 is an error of its own, and the text is cut at 2,047
// characters, its last three becoming "...".
void ClientConnection::raiseError(const std::vector<Token>& tokens, ReplyBuilder& reply, int line) {
  std::vector<Token> args;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    if (tokens[i].kind != Token::Kind::Symbol)
      args.push_back(tokens[i]);
    if (isSymbol(tokens, i, ')'))
      break;
  }
  auto number = [&](std::size_t i, long long fallback) {
    if (i >= args.size() || args[i].kind != Token::Kind::Number)
      return fallback;
    long long value = 0;
    const std::string& text = args[i].text;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Too large for any range below: refused like any out-of-range value.
    return ec == std::errc() ? value : std::numeric_limits<long long>::max();
  };
  long long messageNumber = 50000;
  std::string text;
  if (!args.empty() && args[0].kind == Token::Kind::Number) {
    messageNumber = number(0, 50000);
    if (messageNumber < 13000 || messageNumber > 2147483647 || messageNumber == 50000) {
      error(reply, 2732, 1, 16,
            "Error number " + args[0].text +
                " is invalid. The number must be from 13000 through 2147483647 and it cannot be "
                "50000.",
            line);
      return;
    }
  } else if (!args.empty()) {
    text = args[0].text;
  }
  const long long severity = std::max(number(1, 16), 0LL);
  if (severity > 25) {
    error(reply, 2754, 1, 16,
          "Error severity levels greater than 18 can only be specified by members of the sysadmin "
          "role, using the WITH LOG option.",
          line);
    return;
  }
  const int state = static_cast<int>(std::clamp(number(2, 1), 1LL, 255LL));
  if (truncatedUtf8(text, 2047) != text)
    text = truncatedUtf8(text, 2044) + "...";
  const int code = static_cast<int>(messageNumber);
  if (severity > 10) {
    error(reply, code, state, static_cast<int>(severity), text, line);
  } else {
    reply.message(false, code, static_cast<std::uint8_t>(state),
                  static_cast<std::uint8_t>(severity), text, state_.serverName(), line);
  }
}

// sp_password old, new [, login], positional or named (@old, @new, @loginame).
void ClientConnection::spPassword(const std::vector<Token>& tokens, std::size_t first,
                                  ReplyBuilder& reply, int line) {
  std::optional<std::string> values[3];
  bool given[3] = {false, false, false};
  std::size_t position = 0;
  for (std::size_t i = first; i < tokens.size(); ++i) {
    if (isSymbol(tokens, i, ','))
      continue;
    std::size_t slot = position;
    if (tokens[i].kind == Token::Kind::Word && tokens[i].text[0] == '@' &&
        isSymbol(tokens, i + 1, '=')) {
      std::string name = tokens[i].text;
      slot = equalsCi(name, "@old") ? 0 : equalsCi(name, "@new") ? 1 : 2;
      i += 2;
    } else {
      ++position;
    }
    if (i >= tokens.size() || slot > 2)
      break;
    given[slot] = true;
    if (tokens[i].kind == Token::Kind::String)
      values[slot] = tokens[i].text;
  }
  if (!given[1] || !values[1]) {
    error(reply, 201, 4, 16,
          "Procedure or function 'sp_password' expects parameter '@new', which was not supplied.",
          line);
    return;
  }
  std::string login = values[2] ? *values[2] : login_;
  switch (state_.changePassword(login, values[0], *values[1])) {
    case ServerState::PasswordChange::Changed:
      info(reply, 15478, 1, "Password changed.", line);
      break;
    case ServerState::PasswordChange::NoSuchLogin:
      error(reply, 15007, 1, 16,
            "'" + login + "' is not a valid login or you do not have permission.", line);
      break;
    case ServerState::PasswordChange::WrongOldPassword:
      error(reply, 15211, 1, 16,
            "Old (current) password incorrect for user. The password was not changed.", line);
      break;
  }
}

// ALTER LOGIN name WITH PASSWORD = 'new' [OLD_PASSWORD = 'old'] (other options accepted).
void ClientConnection::alterLogin(const std::vector<Token>& tokens, ReplyBuilder& reply, int line) {
  if (tokens.size() < 3)
    return;
  std::string login = lastPart(tokens[2].text);
  std::optional<std::string> password;
  std::optional<std::string> oldPassword;
  for (std::size_t i = 3; i + 2 < tokens.size(); ++i) {
    if (isSymbol(tokens, i + 1, '=') && tokens[i + 2].kind == Token::Kind::String) {
      if (isWord(tokens, i, "PASSWORD"))
        password = tokens[i + 2].text;
      if (isWord(tokens, i, "OLD_PASSWORD"))
        oldPassword = tokens[i + 2].text;
    }
  }
  std::string denied = "Cannot alter the login '" + login +
                       "', because it does not exist or you do not have permission.";
  if (!password)
    return;
  if (state_.changePassword(login, oldPassword, *password) !=
      ServerState::PasswordChange::Changed) {
    error(reply, 15151, 1, 16, denied, line);
  }
}

}  // namespace fd::tds
