#include "network/Connection.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cstdint>

#include "core/LogManager.h"
#include "network/SocketError.h"
#include "platform/Platform.h"
#include "platform/Socket.h"

namespace vx {

namespace {

// A port text of digits only, 1 to 65535; else false with "<who>: Error!
// Port ...".
bool parsePort(const char *p_who, const std::string &text, unsigned short *p_port) {
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || (value = value * 10 + (c - '0')) > 65535) {
      value = 0;
      break;
    }
  }
  if (value < 1) {
    LogManager::getInstance().writeLog("%s: Error! Port \"%s\" is not a number from 1 to 65535.",
                                       p_who, text.c_str());
    return false;
  }
  *p_port = static_cast<unsigned short>(value);
  return true;
}

// Logs "<who>: Error! <call>() returned:" and the error's text.
void logFailedCall(const char *p_who, const char *p_call, int code) {
  LogManager::getInstance().writeLog("%s: Error! %s() returned:", p_who, p_call);
  logSocketError(code);
}

// Waits for a non-blocking connect to end, a millisecond at a time. Its
// error code (0: connected), or -1 when the host has not answered in time.
int awaitConnect(int sock) {
  int code = 0;
  int64_t start = platform::nowMicros();
  int done;
  while ((done = platform::socketConnectDone(sock, &code)) == 0 &&
         platform::nowMicros() - start < int64_t(CONNECT_TIMEOUT_MS) * 1000)
    platform::sleepMillis(1);
  if (done < 0) return platform::socketError();
  return done == 0 ? -1 : code;
}

} // namespace

int openClientSocket(const std::string &host, const std::string &port) {
  const char *p_who = "NetworkManager::connect()";
  LogManager &lm = LogManager::getInstance();
  unsigned short port_number = 0;
  if (!parsePort(p_who, port, &port_number)) return -1;
  struct addrinfo *p_addr = nullptr;
  int r = platform::resolveAddress(host.c_str(), std::to_string(port_number).c_str(), &p_addr);
  if (r != 0 || !p_addr) {
    lm.writeLog("NetworkManager::connect(): Error! getaddrinfo() returned:");
    std::string text = platform::resolveErrorText(r);
    if (!text.empty()) lm.writeLog("\t%d - %s", r, text.c_str());
    platform::freeAddresses(p_addr);
    return -1;
  }

  int sock = platform::socketOpen(p_addr->ai_family, p_addr->ai_socktype, p_addr->ai_protocol);
  if (sock == -1) {
    logFailedCall(p_who, "socket", platform::socketError());
    platform::freeAddresses(p_addr);
    return -1;
  }
  // Non-blocking from the start: neither the handshake nor later sends
  // hold the game loop longer than the time-out.
  if (platform::socketSetNonBlocking(sock, true) < 0) {
    logFailedCall(p_who, "ioctlsocket", platform::socketError());  // Winsock's name, kept
    platform::socketClose(sock);
    platform::freeAddresses(p_addr);
    return -1;
  }
  int code = 0;
  if (platform::socketConnect(sock, p_addr) < 0) {
    code = platform::socketError();
    if (platform::isInProgress(code)) code = awaitConnect(sock);
  }
  platform::freeAddresses(p_addr);
  if (code == -1) {
    lm.writeLog("NetworkManager::connect(): Error! No answer from %s, port %s, within %d ms.",
                host.c_str(), port.c_str(), CONNECT_TIMEOUT_MS);
    platform::socketClose(sock);
    return -1;
  }
  if (code != 0) {
    logFailedCall(p_who, "connect", code);
    platform::socketClose(sock);
    return -1;
  }
  return sock;
}

int openServerSocket(const std::string &port) {
  const char *p_who = "NetworkManager::setServer()";
  unsigned short port_number = 0;
  if (!parsePort(p_who, port, &port_number)) return -1;
  int sock = platform::socketOpen(AF_INET, SOCK_STREAM, 0);
  if (sock < 0) {
    logFailedCall(p_who, "socket", platform::socketError());
    return -1;
  }
  const char *p_call = nullptr;
  if (platform::socketBindAny(sock, port_number) < 0)
    p_call = "bind";
  else if (platform::socketListen(sock, 5) < 0)
    p_call = "listen";
  else if (platform::socketSetNonBlocking(sock, true) < 0)
    p_call = "ioctlsocket";  // Winsock's name, kept
  if (p_call) {
    logFailedCall(p_who, p_call, platform::socketError());
    platform::socketClose(sock);
    return -1;
  }
  return sock;
}

} // namespace vx
