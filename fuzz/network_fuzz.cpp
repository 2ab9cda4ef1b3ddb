// Arbitrary byte streams into vx::genDataEvents. The first byte says how
// the peer ends: 0 stays connected, 1 closes, 2 resets (TCP over loopback);
// the rest is the stream. The results are checked against the framing: a
// length of 4 to MAX_MESSAGE_SIZE delivers one message once it is whole,
// anything else closes the socket, and so does the end of the stream while
// no whole message is waiting.
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/LogManager.h"
#include "network/NetworkManager.h"

namespace {

const size_t MAX_INPUT = 160 * 1024;
const int BUFFER_BYTES = 1024 * 1024;

int g_listener = -1;
sockaddr_in g_addr;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

int waiting(int fd) {
  int n = -1;
  if (::ioctl(fd, FIONREAD, &n) < 0) return -1;
  return n;
}

// Polls up to a second until the socket sees its peer's close or reset.
bool peerGoneSeen(int fd) {
  for (int tries = 0; tries < 1000; tries++) {
    pollfd p = {fd, POLLRDHUP, 0};
    if (::poll(&p, 1, 1) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) return true;
  }
  return false;
}

// A connected TCP pair over loopback: fd[0] accepted, fd[1] the peer.
bool tcpPair(int fd[2]) {
  int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (c < 0) return false;
  ::setsockopt(c, SOL_SOCKET, SO_SNDBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  if (::connect(c, reinterpret_cast<sockaddr *>(&g_addr), sizeof(g_addr)) != 0) {
    ::close(c);
    return false;
  }
  // Take this client's connection: an accept broken by a signal (the
  // fuzzer's timer) would otherwise leave it queued for the next input.
  sockaddr_in mine, peer;
  socklen_t mine_len = sizeof(mine);
  if (::getsockname(c, reinterpret_cast<sockaddr *>(&mine), &mine_len) != 0) {
    ::close(c);
    return false;
  }
  for (int tries = 0; tries < 100; tries++) {
    int s = ::accept4(g_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0) {
      if (errno == EINTR) continue;
      break;
    }
    socklen_t peer_len = sizeof(peer);
    if (::getpeername(s, reinterpret_cast<sockaddr *>(&peer), &peer_len) == 0 &&
        peer.sin_port == mine.sin_port) {
      fd[0] = s;
      fd[1] = c;
      return true;
    }
    ::close(s);  // left over from an earlier input
  }
  ::close(c);
  return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::LogManager::getInstance().startUp();
  vx::NetworkManager::getInstance().startUp();
  g_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  memset(&g_addr, 0, sizeof(g_addr));
  g_addr.sin_family = AF_INET;
  g_addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(g_addr);
  ::setsockopt(g_listener, SOL_SOCKET, SO_RCVBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  if (::bind(g_listener, reinterpret_cast<sockaddr *>(&g_addr), sizeof(g_addr)) != 0 ||
      ::getsockname(g_listener, reinterpret_cast<sockaddr *>(&g_addr), &len) != 0 ||
      ::listen(g_listener, 4) != 0)
    abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t input_size) {
  if (input_size < 1) return 0;
  const int mode = input[0] % 3;
  const uint8_t *data = input + 1;
  size_t size = input_size - 1;
  if (size > MAX_INPUT) size = MAX_INPUT;
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();

  int fd[2];
  if (mode == 2) {
    if (!tcpPair(fd)) return 0;
  } else {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0) return 0;
    ::setsockopt(fd[1], SOL_SOCKET, SO_SNDBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
    ::setsockopt(fd[0], SOL_SOCKET, SO_RCVBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  }
  size_t written = 0;
  while (written < size) {
    ssize_t n = ::send(fd[1], data + written, size - written, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  // Every byte must have arrived before the peer resets.
  for (int tries = 0; tries < 1000 && waiting(fd[0]) != static_cast<int>(written); tries++)
    ::poll(nullptr, 0, 1);
  if (waiting(fd[0]) != static_cast<int>(written)) {
    ::close(fd[0]);
    ::close(fd[1]);
    return 0;
  }
  if (mode == 2) {
    struct linger lg = {1, 0};
    ::setsockopt(fd[1], SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
  }
  if (mode != 0) ::close(fd[1]);
  // Loopback delivers the reset a moment later: wait until this end has it.
  if (mode == 2 && !peerGoneSeen(fd[0])) {
    ::close(fd[0]);
    return 0;
  }

  check(nm.adoptSocket(fd[0]) == 0);

  // Expected results, message by message, from the bytes alone.
  size_t at = 0;
  for (size_t calls = 0; calls <= written / 4 + 2; calls++) {
    int expect;
    size_t left = written - at;
    int32_t len = 0;
    if (left >= 4) memcpy(&len, data + at, 4);
    bool whole = false;
    if (left >= 4 && (len < 4 || len > vx::MAX_MESSAGE_SIZE))
      expect = -1;
    else if (left >= 4 && static_cast<size_t>(len) <= left)
      expect = 1, whole = true;
    else
      expect = mode == 0 ? 0 : -1;  // no whole message: waits, or the peer has left

    int r = vx::genDataEvents(0);
    check(r == expect);
    if (whole) {
      at += static_cast<size_t>(len);
      check(nm.isData(0) == static_cast<int>(written - at));
      continue;
    }
    if (r == -1) check(nm.getNumConnections() == 0);
    if (r == 0) check(nm.isData(0) == static_cast<int>(left));  // nothing consumed
    break;
  }
  if (nm.getNumConnections() > 0) check(nm.close(-1) == 0);
  check(nm.getNumConnections() == 0);
  if (mode == 0) ::close(fd[1]);
  return 0;
}
