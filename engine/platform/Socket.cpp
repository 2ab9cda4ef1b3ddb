#include "platform/Socket.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace vx {
namespace platform {

namespace {

// Retries of a send or receive broken by a signal.
const int MAX_INTERRUPTS = 100;

} // namespace

int socketStartup() { return 0; }

int socketCleanup() { return 0; }

int socketError() { return errno; }

bool isWouldBlock(int code) { return code == EAGAIN || code == EWOULDBLOCK; }

bool isInProgress(int code) { return code == EINPROGRESS || code == EALREADY || code == EINTR; }

bool isConnectionGone(int code) {
  return code == ENOTCONN || code == ECONNRESET || code == EPIPE || code == EBADF ||
         code == ENOTSOCK;
}

std::string socketErrorText(int code) {
  const char *text = strerror(code);
  return text ? std::string(text) : std::string();
}

int socketOpen(int family, int type, int protocol) {
  return ::socket(family, type | SOCK_CLOEXEC, protocol);
}

int socketBindAny(int sock, unsigned short port) {
  struct sockaddr_in serv_addr;
  memset(&serv_addr, 0, sizeof(serv_addr));
  serv_addr.sin_family = AF_INET;
  serv_addr.sin_addr.s_addr = htonl(INADDR_ANY);
  serv_addr.sin_port = htons(port);
  // Allow a restart on a port whose old connections are still in TIME_WAIT.
  int on = 1;
  ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  return ::bind(sock, reinterpret_cast<struct sockaddr *>(&serv_addr), sizeof(serv_addr));
}

int socketListen(int sock, int backlog) { return ::listen(sock, backlog); }

int socketAccept(int sock) {
  struct sockaddr_in addr;
  socklen_t len = sizeof(addr);
  // As under Winsock, the new socket takes the listening socket's mode.
  int listen_flags = ::fcntl(sock, F_GETFL, 0);
  int flags = SOCK_CLOEXEC;
  if (listen_flags >= 0 && (listen_flags & O_NONBLOCK)) flags |= SOCK_NONBLOCK;
  int s;
  do {
    s = ::accept4(sock, reinterpret_cast<struct sockaddr *>(&addr), &len, flags);
  } while (s < 0 && errno == EINTR);
  return s;
}

int socketConnect(int sock, const struct addrinfo *p_addr) {
  // Broken by a signal, the connect goes on by itself: not started again.
  return ::connect(sock, p_addr->ai_addr, p_addr->ai_addrlen);
}

namespace {

// Polls one socket without waiting: its events of interest into *p_revents,
// or -1 when poll failed.
int pollNow(int sock, short events, short *p_revents) {
  struct pollfd p;
  p.fd = sock;
  p.events = events;
  p.revents = 0;
  int r;
  do {
    r = ::poll(&p, 1, 0);
  } while (r < 0 && errno == EINTR);
  *p_revents = p.revents;
  return r < 0 ? -1 : 0;
}

} // namespace

int socketConnectDone(int sock, int *p_code) {
  *p_code = 0;
  short revents = 0;
  if (pollNow(sock, POLLOUT, &revents) < 0) return -1;
  if (revents == 0) return 0;
  if (revents & POLLNVAL) {
    *p_code = EBADF;
    return 1;
  }
  int err = 0;
  socklen_t len = sizeof(err);
  if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return -1;
  *p_code = err;
  return 1;
}

int socketClose(int sock) { return ::close(sock); }

int socketAbort(int sock) {
  struct linger lg;
  lg.l_onoff = 1;
  lg.l_linger = 0;
  ::setsockopt(sock, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
  return ::close(sock);
}

int resolveAddress(const char *host, const char *port, struct addrinfo **pp_result) {
  struct addrinfo hints;
  memset(&hints, 0, sizeof(hints));
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  *pp_result = nullptr;
  return ::getaddrinfo(host, port, &hints, pp_result);
}

std::string resolveErrorText(int code) {
  if (code == EAI_SYSTEM) return socketErrorText(errno);
  const char *text = gai_strerror(code);
  return text ? std::string(text) : std::string();
}

void freeAddresses(struct addrinfo *p_addr) {
  if (p_addr) ::freeaddrinfo(p_addr);
}

int socketSetNonBlocking(int sock, bool non_blocking) {
  int flags = ::fcntl(sock, F_GETFL, 0);
  if (flags < 0) return -1;
  flags = non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return ::fcntl(sock, F_SETFL, flags) < 0 ? -1 : 0;
}

int socketSend(int sock, const void *buffer, int bytes) {
  return static_cast<int>(
      ::send(sock, buffer, static_cast<size_t>(bytes), MSG_NOSIGNAL | MSG_DONTWAIT));
}

int socketSendSome(int sock, const char *p, int bytes, int *p_code) {
  int sent = 0;
  int interrupts = 0;
  *p_code = 0;
  while (sent < bytes) {
    int n = socketSend(sock, p + sent, bytes - sent);
    if (n > 0) {
      sent += n;
      continue;
    }
    *p_code = n < 0 ? socketError() : 0;
    if (n < 0 && *p_code == EINTR && ++interrupts <= MAX_INTERRUPTS) continue;
    break;
  }
  return sent;
}

int socketRecv(int sock, void *buffer, int bytes, bool peek) {
  ssize_t n;
  int interrupts = 0;
  do {
    n = ::recv(sock, buffer, static_cast<size_t>(bytes), MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
  } while (n < 0 && errno == EINTR && ++interrupts <= MAX_INTERRUPTS);
  return static_cast<int>(n);
}

int socketBytesWaiting(int sock, int *p_bytes) {
  int n = 0;
  if (::ioctl(sock, FIONREAD, &n) < 0) return -1;
  *p_bytes = n;
  return 0;
}

int socketBytesUnacked(int sock, int *p_bytes) {
  int n = 0;
  if (::ioctl(sock, SIOCOUTQ, &n) < 0) return -1;
  *p_bytes = n;
  return 0;
}

int socketDiscardInput(int sock, int max_bytes) {
  char scratch[16384];
  int taken = 0;
  while (taken < max_bytes) {
    int n = socketRecv(sock, scratch, int(sizeof(scratch)), false);
    if (n == 0) return 0;
    if (n < 0) return isWouldBlock(errno) ? 0 : errno;
    taken += n;
  }
  return 0;
}

namespace {

// The socket's pending error code, taken (0: none).
int takePendingError(int sock) {
  int err = 0;
  socklen_t len = sizeof(err);
  if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return 0;
  return err;
}

} // namespace

int socketConnectionDown(int sock, int *p_code) {
  *p_code = 0;
  short revents = 0;
  if (pollNow(sock, 0, &revents) < 0) return 0;
  // Hang-up is both directions shut: a reset or a failure, never the
  // peer's own end alone.
  if (!(revents & (POLLHUP | POLLERR | POLLNVAL))) return 0;
  if (revents & POLLNVAL) {
    *p_code = EBADF;
    return 1;
  }
  *p_code = takePendingError(sock);
  return 1;
}

int socketPeerGone(int sock, int *p_code) {
  *p_code = 0;
  short revents = 0;
  if (pollNow(sock, POLLRDHUP, &revents) < 0) return -1;
  if (!(revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL))) return 0;
  if (revents & POLLNVAL) {
    *p_code = EBADF;
    return 1;
  }
  *p_code = takePendingError(sock);
  return 1;
}

} // namespace platform
} // namespace vx
