// The SQL Server stand-in's packet parser and message handling: the input is the byte stream a
// client sends on one connection (pre-login, LOGIN7, batches ...), fed to a real connection
// over a socket pair while its replies are drained.
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "ClientConnection.h"
#include "FuzzSupport.h"

using namespace fd;

namespace {
// Larger streams add nothing but time: each message is at most a few packets.
constexpr std::size_t kMaxStream = 64 * 1024;

// The client side: sends the stream, says it has no more, and reads replies until the server
// closes, so that neither side waits on a full socket.
void client(int socket, const std::uint8_t* data, std::size_t size) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = ::send(socket, data + done, size - done, MSG_NOSIGNAL);
    if (put <= 0) {
      break;
    }
    done += static_cast<std::size_t>(put);
  }
  ::shutdown(socket, SHUT_WR);
  char buffer[16 * 1024];
  while (::read(socket, buffer, sizeof buffer) > 0) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxStream) {
    return 0;
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    fuzz::broken("no socket pair");
  }
  const int server = pair[1];
  std::thread peer(client, pair[0], data, size);

  tds::ServerConfig config;
  config.logins = {{"sa", "x"}, {"Fendal", "Murales7261qz"}};
  config.databases = {"COMERCIAL_A", "Contab1"};
  config.otherSessions = {{"Fendal", 1, "Contab1"}};
  tds::ServerState state(config, "/dev/null");
  {
    tds::ClientConnection connection(server, state);
    connection.run();
  }
  ::close(server);
  peer.join();
  ::close(pair[0]);
  if (state.sessionCount("sa") != 0) {
    fuzz::broken("a session outlived its connection");
  }
  return 0;
}
