// The server's host on POSIX: BSD sockets, and SIGTERM or SIGINT written to a pipe that the
// accepting loop watches beside the listener.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ServerHost.h"

namespace fd::tds {

namespace {

int stopPipe[2] = {-1, -1};
bool stopped = false;

void onStopSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t n = write(stopPipe[1], &byte, 1);
}

int fdOf(Socket socket) {
  return static_cast<int>(socket);
}

}  // namespace

std::vector<std::string> programArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::filesystem::path hostPath(const std::string& utf8) {
  return utf8;
}

bool startHost() {
  if (pipe2(stopPipe, O_CLOEXEC) != 0)
    return false;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  return true;
}

Socket listenOnLoopback(int port) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0)
    return kNoSocket;
  int yes = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 64) != 0) {
    const int error = errno;
    close(s);
    errno = error;
    return kNoSocket;
  }
  return s;
}

int boundPort(Socket listener) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(fdOf(listener), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

std::string lastError() {
  return std::strerror(errno);
}

Socket acceptOrStop(Socket listener) {
  pollfd fds[2] = {{fdOf(listener), POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
  if (poll(fds, 2, -1) < 0) {
    stopped = errno != EINTR;
    return kNoSocket;
  }
  if (fds[1].revents) {
    stopped = true;
    return kNoSocket;
  }
  if (!(fds[0].revents & POLLIN))
    return kNoSocket;
  const int client = accept4(fdOf(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return client < 0 ? kNoSocket : client;
}

bool stopRequested() {
  return stopped;
}

long receiveSome(Socket socket, std::uint8_t* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = recv(fdOf(socket), buffer, size, 0);
    if (n >= 0 || errno != EINTR)
      return static_cast<long>(n);
  }
}

long sendSome(Socket socket, const std::uint8_t* data, std::size_t size) {
  for (;;) {
    const ssize_t n = send(fdOf(socket), data, size, MSG_NOSIGNAL);
    if (n >= 0 || errno != EINTR)
      return static_cast<long>(n);
  }
}

void shutdownSocket(Socket socket) {
  shutdown(fdOf(socket), SHUT_RDWR);
}

void closeSocket(Socket socket) {
  close(fdOf(socket));
}

bool peerHungUp(Socket socket) {
  pollfd p{fdOf(socket), POLLRDHUP, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace fd::tds
