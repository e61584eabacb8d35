// tds-test-server PORT CONFIG-FILE STATEMENT-LOG
//
// A small SQL Server stand-in for tests and the demo: speaks enough TDS 7.x on 127.0.0.1 for the
// FreeTDS ODBC driver. PORT 0 picks a free port. The first line on standard output is
// "PORT N" once the server listens, so a caller can start it without racing for a port.
// SIGTERM or SIGINT end it within a second; on Windows Ctrl+C, Ctrl+Break or setting the event
// "tds-test-server-stop-PID" (its process id). At most 64 connections are served at once and a
// message of at most 4 MiB is taken in.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "ClientConnection.h"
#include "ServerHost.h"
#include "ServerState.h"

namespace {

using fd::tds::Socket;

// Connections served at once; one more is closed as soon as it is taken in.
constexpr std::size_t kMaxConnections = 64;
// How long a stop waits for busy connections before the process ends anyway.
constexpr auto kStopGrace = std::chrono::milliseconds(700);

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> finished = std::make_shared<std::atomic<bool>>(false);
};

// Open client sockets, so that a stop can wake every connection thread.
class OpenSockets {
 public:
  void add(Socket s) {
    std::lock_guard lock(mutex_);
    sockets_.insert(s);
  }
  void remove(Socket s) {
    std::lock_guard lock(mutex_);
    sockets_.erase(s);
  }
  void shutdownAll() {
    std::lock_guard lock(mutex_);
    for (Socket s : sockets_)
      fd::tds::shutdownSocket(s);
  }

 private:
  std::mutex mutex_;
  std::set<Socket> sockets_;
};

}  // namespace

int main(int argc, char** argv) {
  using namespace fd::tds;
  const std::vector<std::string> args = programArguments(argc, argv);
  if (args.size() != 4) {
    std::cerr << "usage: tds-test-server PORT CONFIG-FILE STATEMENT-LOG\n";
    return 2;
  }
  int port = 0;
  try {
    port = std::stoi(args[1]);
  } catch (const std::exception&) {
    port = -1;
  }
  if (port < 0 || port > 65535) {
    std::cerr << "tds-test-server: bad port " << args[1] << "\n";
    return 2;
  }
  std::unique_ptr<ServerState> state;
  try {
    state = std::make_unique<ServerState>(readConfig(hostPath(args[2])), hostPath(args[3]));
  } catch (const std::exception& e) {
    std::cerr << "tds-test-server: " << e.what() << "\n";
    return 2;
  }

  if (!startHost())
    return 2;
  const Socket listener = listenOnLoopback(port);
  if (listener == kNoSocket) {
    std::cerr << "tds-test-server: cannot listen on 127.0.0.1:" << port << ": " << lastError()
              << "\n";
    return 1;
  }
  std::cout << "PORT " << boundPort(listener) << std::endl;

  OpenSockets openSockets;
  std::list<Worker> workers;
  for (;;) {
    const Socket client = acceptOrStop(listener);
    if (stopRequested()) {
      if (client != kNoSocket)
        closeSocket(client);
      break;
    }
    for (auto it = workers.begin(); it != workers.end();) {
      if (*it->finished) {
        it->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
    if (client == kNoSocket)
      continue;
    if (workers.size() >= kMaxConnections) {
      // A thread and up to one message in memory per connection: past the cap, refused.
      closeSocket(client);
      continue;
    }
    openSockets.add(client);
    Worker& worker = workers.emplace_back();
    worker.thread = std::thread([client, &state, &openSockets, finished = worker.finished]() {
      {
        ClientConnection connection(client, *state);
        connection.run();
      }
      openSockets.remove(client);
      closeSocket(client);
      *finished = true;
    });
  }
  closeSocket(listener);
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
