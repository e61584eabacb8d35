#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fd::tds {

// What the server needs of its host, written once per host (PosixServerHost.cpp,
// Win32ServerHost.cpp): the command line, loopback sockets and the request to stop.

// A socket of the host: a descriptor on POSIX, a SOCKET on Windows.
using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// The program's arguments as UTF-8 (on Windows read from the wide command line).
std::vector<std::string> programArguments(int argc, char** argv);
// A UTF-8 path as the host's file functions take it.
std::filesystem::path hostPath(const std::string& utf8);

// Sets up the sockets and what asks the server to stop: SIGTERM or SIGINT on POSIX; on Windows
// Ctrl+C, Ctrl+Break or the event named by stopEventName(). False when the host refuses.
bool startHost();
// The event that stops the server whose process id is pid (Windows), which whoever started it
// may set.
inline std::wstring stopEventName(unsigned long pid) {
  return L"tds-test-server-stop-" + std::to_wstring(pid);
}
// A socket listening on 127.0.0.1 (never another address) at port, 0 for a free one;
// kNoSocket on failure, lastError() saying why.
Socket listenOnLoopback(int port);
int boundPort(Socket listener);
std::string lastError();

// Waits for the next client or for a stop: the client's socket, or kNoSocket when none was
// taken in. After a stop, or when the listener fails, stopRequested() is true.
Socket acceptOrStop(Socket listener);
bool stopRequested();

// Moves some bytes: their count, 0 when the peer has closed, negative on failure (a call a
// signal interrupted is retried).
long receiveSome(Socket socket, std::uint8_t* buffer, std::size_t size);
long sendSome(Socket socket, const std::uint8_t* data, std::size_t size);
// Ends both directions, which wakes a thread waiting on the socket.
void shutdownSocket(Socket socket);
void closeSocket(Socket socket);
// Whether the client has closed its end, although its thread may not have read it yet.
bool peerHungUp(Socket socket);

}  // namespace fd::tds
