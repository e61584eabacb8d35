#pragma once

#include <cstdint>
#include <string>

#include "Batch.h"
#include "ServerState.h"
#include "TdsWire.h"

namespace fd::tds {

// One client from pre-login to disconnect. A malformed message ends this connection only.
class ClientConnection {
 public:
  ClientConnection(Socket socket, ServerState& state) : socket_(socket), state_(state) {}
  ~ClientConnection();
  ClientConnection(const ClientConnection&) = delete;
  ClientConnection& operator=(const ClientConnection&) = delete;

  void run();

 private:
  // Each returns false when the connection is to be closed.
  bool prelogin();
  bool login(const Message& message);
  bool batch(const Message& message);
  bool send(ReplyBuilder& reply);

  void runStatement(const Statement& statement, ReplyBuilder& reply);
  void error(ReplyBuilder& reply, int number, int state, int severity, const std::string& text,
             int line);
  void info(ReplyBuilder& reply, int number, int state, const std::string& text, int line);
  void databaseList(ReplyBuilder& reply);
  void sessionCount(ReplyBuilder& reply, const std::string& login);
  void use(const std::vector<Token>& tokens, ReplyBuilder& reply, int line);
  void raiseError(const std::vector<Token>& tokens, ReplyBuilder& reply, int line);
  void spPassword(const std::vector<Token>& tokens, std::size_t first, ReplyBuilder& reply,
                  int line);
  void alterLogin(const std::vector<Token>& tokens, ReplyBuilder& reply, int line);

  Socket socket_;
  ServerState& state_;
  std::uint32_t version_ = kTds74;
  std::uint16_t spid_ = 0;
  bool loggedIn_ = false;
  std::string login_;
  std::string database_;
  bool statementFailed_ = false;
};

}  // namespace fd::tds
