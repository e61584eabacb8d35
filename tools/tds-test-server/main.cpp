// tds-test-server PORT CONFIG-FILE STATEMENT-LOG
//
// A small SQL Server stand-in for tests and the demo: speaks enough TDS 7.x on 127.0.0.1 for the
// FreeTDS ODBC driver. PORT 0 picks a free port. The first line on standard output is
// "PORT N" once the server listens, so a caller can start it without racing for a port.
// SIGTERM or SIGINT end it within a second. At most 64 connections are served at once and a
// message of at most 4 MiB is taken in.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "ClientConnection.h"
#include "ServerState.h"

namespace {

// Connections served at once; one more is closed as soon as it is taken in.
constexpr std::size_t kMaxConnections = 64;
// How long a stop waits for busy connections before the process ends anyway.
constexpr auto kStopGrace = std::chrono::milliseconds(700);

int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t n = write(stopPipe[1], &byte, 1);
}

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished = std::make_shared<std::atomic<bool>>(false);
};

// Open client sockets, so that a stop can wake every connection thread.
class OpenSockets {
 public:
  void add(int s) {
    std::lock_guard lock(mutex_);
    sockets_.insert(s);
  }
  void remove(int s) {
    std::lock_guard lock(mutex_);
    sockets_.erase(s);
  }
  void shutdownAll() {
    std::lock_guard lock(mutex_);
    for (int s : sockets_)
      shutdown(s, SHUT_RDWR);
  }

 private:
  std::mutex mutex_;
  std::set<int> sockets_;
};

int listenOnLoopback(int port) {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0)
    return -1;
  int yes = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never another address
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 64) != 0) {
    close(s);
    return -1;
  }
  return s;
}

int boundPort(int s) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tds-test-server PORT CONFIG-FILE STATEMENT-LOG\n";
    return 2;
  }
  int port = 0;
  try {
    port = std::stoi(argv[1]);
  } catch (const std::exception&) {
    port = -1;
  }
  if (port < 0 || port > 65535) {
    std::cerr << "tds-test-server: bad port " << argv[1] << "\n";
    return 2;
  }
  std::unique_ptr<fd::tds::ServerState> state;
  try {
    state = std::make_unique<fd::tds::ServerState>(fd::tds::readConfig(argv[2]), argv[3]);
  } catch (const std::exception& e) {
    std::cerr << "tds-test-server: " << e.what() << "\n";
    return 2;
  }

  if (pipe2(stopPipe, O_CLOEXEC) != 0)
    return 2;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int listener = listenOnLoopback(port);
  if (listener < 0) {
    std::cerr << "tds-test-server: cannot listen on 127.0.0.1:" << port << ": "
              << std::strerror(errno) << "\n";
    return 1;
  }
  std::cout << "PORT " << boundPort(listener) << std::endl;

  OpenSockets openSockets;
  std::list<Worker> workers;
  for (;;) {
    pollfd fds[2] = {{listener, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (fds[1].revents)
      break;
    for (auto it = workers.begin(); it != workers.end();) {
      if (*it->finished) {
        it->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
    if (!(fds[0].revents & POLLIN))
      continue;
    int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
      continue;
    if (workers.size() >= kMaxConnections) {
      // A thread and up to one message in memory per connection: past the cap, refused.
      close(client);
      continue;
    }
    openSockets.add(client);
    Worker& worker = workers.emplace_back();
    worker.thread = std::thread([client, &state, &openSockets, finished = worker.finished]() {
      {
        fd::tds::ClientConnection connection(client, *state);
        connection.run();
      }
      openSockets.remove(client);
      close(client);
      *finished = true;
    });
  }
  close(listener);
  openSockets.shutdownAll();
  // A worker still busy with a long batch is not waited for beyond the grace time.
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  auto allFinished = [&] {
    return std::all_of(workers.begin(), workers.end(),
                       [](const Worker& w) { return w.finished->load(); });
  };
  while (!allFinished() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!allFinished()) {
    std::cout.flush();
    std::_Exit(0);
  }
  for (Worker& worker : workers)
    worker.thread.join();
  return 0;
}
