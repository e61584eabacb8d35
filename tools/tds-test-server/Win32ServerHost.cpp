// The server's host on Windows: Winsock, and a stop asked for by Ctrl+C, Ctrl+Break or the event
// named after the process (set by whoever started the server), which the accepting loop waits
// for beside the listener's accept event.
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which must come before it.
#include <shellapi.h>
#include <windows.h>

#include <algorithm>

#include "ServerHost.h"
#include "platform/WideText.h"

namespace fd::tds {

namespace {

HANDLE stopEvent = nullptr;
HANDLE acceptEvent = nullptr;
bool stopped = false;

SOCKET socketOf(Socket socket) {
  return static_cast<SOCKET>(socket);
}

BOOL WINAPI onConsoleStop(DWORD) {
  SetEvent(stopEvent);
  return TRUE;
}

}  // namespace

std::vector<std::string> programArguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::filesystem::path hostPath(const std::string& utf8) {
  return widen(utf8);
}

bool startHost() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
    return false;
  stopEvent = CreateEventW(nullptr, TRUE, FALSE, stopEventName(GetCurrentProcessId()).c_str());
  acceptEvent = WSACreateEvent();
  // Without a console there is no Ctrl+C to wait for: the event alone stops the server then.
  SetConsoleCtrlHandler(onConsoleStop, TRUE);
  return stopEvent != nullptr && acceptEvent != WSA_INVALID_EVENT;
}

Socket listenOnLoopback(int port) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET)
    return kNoSocket;
  // Windows lets another socket take a port in use with SO_REUSEADDR; this one may not be taken.
  BOOL yes = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never another address
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 64) != 0 ||
      WSAEventSelect(s, acceptEvent, FD_ACCEPT) != 0) {
    const int error = WSAGetLastError();
    closesocket(s);
    WSASetLastError(error);
    return kNoSocket;
  }
  return static_cast<Socket>(s);
}

int boundPort(Socket listener) {
  sockaddr_in address{};
  int length = sizeof address;
  getsockname(socketOf(listener), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

std::string lastError() {
  wchar_t* text = nullptr;
  const DWORD error = static_cast<DWORD>(WSAGetLastError());
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text != nullptr ? narrow(text) : "error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    message.pop_back();
  return message;
}

Socket acceptOrStop(Socket listener) {
  const HANDLE events[2] = {stopEvent, acceptEvent};
  const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
  if (woken != WAIT_OBJECT_0 + 1) {
    stopped = true;
    return kNoSocket;
  }
  WSANETWORKEVENTS happened;
  WSAEnumNetworkEvents(socketOf(listener), acceptEvent, &happened);
  const SOCKET client = accept(socketOf(listener), nullptr, nullptr);
  if (client == INVALID_SOCKET)
    return kNoSocket;
  // A socket taken in shares the listener's event and non-blocking mode; its connection's thread
  // reads and writes it blocking.
  u_long blocking = 0;
  WSAEventSelect(client, nullptr, 0);
  ioctlsocket(client, FIONBIO, &blocking);
  return static_cast<Socket>(client);
}

bool stopRequested() {
  return stopped;
}

long receiveSome(Socket socket, std::uint8_t* buffer, std::size_t size) {
  const int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
  return recv(socketOf(socket), reinterpret_cast<char*>(buffer), chunk, 0);
}

long sendSome(Socket socket, const std::uint8_t* data, std::size_t size) {
  const int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
  return send(socketOf(socket), reinterpret_cast<const char*>(data), chunk, 0);
}

void shutdownSocket(Socket socket) {
  shutdown(socketOf(socket), SD_BOTH);
}

void closeSocket(Socket socket) {
  closesocket(socketOf(socket));
}

bool peerHungUp(Socket socket) {
  WSAPOLLFD p{socketOf(socket), POLLRDNORM, 0};
  return WSAPoll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace fd::tds
