// The receiving side under arbitrary input: the bytes a peer sends, into
// vx::genDataEvents. The first byte (mod 4) says how:
//
// 0, 1, 2: the rest arrives whole before the engine reads; then the peer
// stays connected (0, a socket pair), closes (1, a socket pair) or resets
// (2, TCP over loopback).
// 3: a burst over TCP with default buffers: the second byte says how many
// times the rest is repeated (up to MAX_BURST_BYTES, more than the receive
// window opens to), the peer writes what its socket takes between calls and
// closes at the end. A partly arrived message must never wedge the stream.
//
// Every result is checked against the framing: a length of 4 to
// MAX_MESSAGE_SIZE delivers that message once it is whole, anything else
// closes the socket, and so does the peer's end while part of a message is
// waiting; its end between messages is an ordinary close.
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/LogManager.h"
#include "loop/GameManager.h"
#include "network/EventNetwork.h"
#include "network/NetworkManager.h"
#include "support/NetworkManagerSeam.h"
#include "world/Object.h"

namespace {

const size_t MAX_STREAM_BYTES = 160 * 1024;
const size_t MAX_BURST_BYTES = 256 * 1024;
const int BUFFER_BYTES = 1024 * 1024;
// A burst that moves nowhere for this long has wedged.
const int WEDGE_MS = 2000;

// Loopback listeners: one whose connections have large buffers, one with
// the system's defaults.
struct Listener {
  int fd = -1;
  sockaddr_in addr;
};
Listener g_large, g_default;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Compares each delivered message with the one expected, in place.
class Checker : public vx::Object {
 public:
  const char *p_expect = nullptr;  // the next message's bytes, or null: none due
  int32_t expect_bytes = 0;
  int delivered = 0;

  Checker() { registerInterest(vx::EVENT_NETWORK); }

  int eventHandler(const vx::Event *p_e) override {
    const vx::EventNetwork *p = static_cast<const vx::EventNetwork *>(p_e);
    if (p_e->getType() != vx::EVENT_NETWORK || p->getLabel() != vx::NetworkEventLabel::DATA) return 0;
    check(p_expect && p->getSocketIndex() == 0 && p->getBytes() == expect_bytes &&
          memcmp(p->getMessage(), p_expect, static_cast<size_t>(expect_bytes)) == 0);
    p_expect = nullptr;
    delivered++;
    return 1;
  }
};
Checker *g_checker = nullptr;

int waiting(int fd) {
  int n = -1;
  if (::ioctl(fd, FIONREAD, &n) < 0) return -1;
  return n;
}

void listenOn(Listener *p_l, bool large) {
  p_l->fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  memset(&p_l->addr, 0, sizeof(p_l->addr));
  p_l->addr.sin_family = AF_INET;
  p_l->addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(p_l->addr);
  if (large) ::setsockopt(p_l->fd, SOL_SOCKET, SO_RCVBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  if (::bind(p_l->fd, reinterpret_cast<sockaddr *>(&p_l->addr), sizeof(p_l->addr)) != 0 ||
      ::getsockname(p_l->fd, reinterpret_cast<sockaddr *>(&p_l->addr), &len) != 0 ||
      ::listen(p_l->fd, 4) != 0)
    abort();
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
bool tcpPair(const Listener &l, bool large, int fd[2]) {
  int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (c < 0) return false;
  if (large) ::setsockopt(c, SOL_SOCKET, SO_SNDBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  if (::connect(c, reinterpret_cast<const sockaddr *>(&l.addr), sizeof(l.addr)) != 0) {
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
    int s = ::accept4(l.fd, nullptr, nullptr, SOCK_CLOEXEC);
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

// What the framing says of the stream from at on, with all of it arrived:
// 1 a whole message (its length in *p_len), -1 a bad length, 0 no whole
// message (part of one, or nothing).
int frameAt(const std::string &stream, size_t at, int32_t *p_len) {
  size_t left = stream.size() - at;
  if (left < 4) return 0;
  memcpy(p_len, stream.data() + at, 4);
  if (*p_len < 4 || *p_len > vx::MAX_MESSAGE_SIZE) return -1;
  return static_cast<size_t>(*p_len) <= left ? 1 : 0;
}

// One call of genDataEvents: a message it delivers must be the stream's
// next one (frame 1, of len bytes at at).
int collectOne(const std::string &stream, size_t at, int frame, int32_t len) {
  g_checker->p_expect = frame == 1 ? stream.data() + at : nullptr;
  g_checker->expect_bytes = len;
  int before = g_checker->delivered;
  int r = vx::genDataEvents(0);
  check(g_checker->delivered - before == (r == 1 ? 1 : 0));
  return r;
}

// Modes 0 to 2: every byte has arrived before the first call.
void collectArrived(const std::string &stream, int mode) {
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();
  size_t at = 0;
  for (size_t calls = 0; calls <= stream.size() / 4 + 2; calls++) {
    int32_t len = 0;
    int frame = frameAt(stream, at, &len);
    int r = collectOne(stream, at, frame, len);
    if (frame == 1) {
      check(r == 1);
      at += static_cast<size_t>(len);
      check(nm.isData(0) == static_cast<int>(stream.size() - at));
      continue;
    }
    if (frame == -1 || mode == 2 || (mode == 1 && at < stream.size())) {
      check(r == -1 && nm.getNumConnections() == 0);
    } else if (mode == 1) {
      check(r == 0 && nm.getNumConnections() == 0);  // its end between messages
    } else {
      check(r == 0 && nm.isData(0) == static_cast<int>(stream.size() - at));  // nothing consumed
    }
    break;
  }
}

// Mode 3: the peer writes between calls and closes once all is out.
void collectBurst(const std::string &stream, int fd[2]) {
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();
  using Clock = std::chrono::steady_clock;
  size_t written = 0;
  size_t at = 0;
  bool ended = false;
  Clock::time_point last_progress = Clock::now();
  for (;;) {
    size_t written_before = written;
    while (written < stream.size()) {
      ssize_t n = ::send(fd[1], stream.data() + written, stream.size() - written,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    if (written == stream.size() && !ended) {
      ::close(fd[1]);
      fd[1] = -1;
      ended = true;
    }
    int32_t len = 0;
    int frame = frameAt(stream, at, &len);
    int r = collectOne(stream, at, frame, len);
    if (r == 1) {
      at += static_cast<size_t>(len);
    } else if (r == -1) {
      // A bad length, or the peer's end in the middle of a message.
      check(nm.getNumConnections() == 0 && (frame == -1 || (frame == 0 && ended && at < stream.size())));
      return;
    } else if (nm.getNumConnections() == 0) {
      check(ended && at == stream.size());  // its end between messages
      return;
    }
    if (r == 1 || written > written_before) {
      last_progress = Clock::now();
    } else {
      check(Clock::now() - last_progress < std::chrono::milliseconds(WEDGE_MS));
      ::sched_yield();
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::LogManager::getInstance().startUp();
  // The managers above the core, as the game has them: the checker's
  // interest in the network reaches the network manager.
  vx::GameManager::getInstance();
  vx::NetworkManager::getInstance().startUp();
  listenOn(&g_large, true);
  listenOn(&g_default, false);
  g_checker = new Checker;
  check(g_checker->getEventCount() == 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t input_size) {
  if (input_size < 1) return 0;
  const int mode = input[0] % 4;
  const uint8_t *data = input + 1;
  size_t size = input_size - 1;
  // One buffer for every input: a burst is not allocated afresh each time.
  static std::string stream;
  stream.clear();
  if (mode == 3) {
    if (size < 2) return 0;
    size_t times = size_t(data[0]) + 1;
    const char *once = reinterpret_cast<const char *>(data + 1);
    size_t once_size = size - 1;
    stream.reserve(MAX_BURST_BYTES);
    while (times-- > 0 && stream.size() < MAX_BURST_BYTES)
      stream.append(once, std::min(once_size, MAX_BURST_BYTES - stream.size()));
  } else {
    stream.assign(reinterpret_cast<const char *>(data), std::min(size, MAX_STREAM_BYTES));
  }
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();

  int fd[2];
  if (mode >= 2) {
    if (!tcpPair(mode == 2 ? g_large : g_default, mode == 2, fd)) return 0;
  } else {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0) return 0;
    ::setsockopt(fd[1], SOL_SOCKET, SO_SNDBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
    ::setsockopt(fd[0], SOL_SOCKET, SO_RCVBUF, &BUFFER_BYTES, sizeof(BUFFER_BYTES));
  }

  if (mode == 3) {
    check(vx::NetworkManagerSeam::adoptSocket(fd[0]) == 0);
    collectBurst(stream, fd);
  } else {
    size_t written = 0;
    while (written < stream.size()) {
      ssize_t n = ::send(fd[1], stream.data() + written, stream.size() - written,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    // Every byte must have arrived before the peer resets.
    for (int tries = 0; tries < 1000 && waiting(fd[0]) != static_cast<int>(written); tries++)
      ::poll(nullptr, 0, 1);
    if (written < stream.size() || waiting(fd[0]) != static_cast<int>(written)) {
      ::close(fd[0]);
      ::close(fd[1]);
      return 0;
    }
    if (mode == 2) {
      struct linger lg = {1, 0};
      ::setsockopt(fd[1], SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
    }
    if (mode != 0) {
      ::close(fd[1]);
      fd[1] = -1;
    }
    // Loopback delivers the reset a moment later: wait until this end has it.
    if (mode == 2 && !peerGoneSeen(fd[0])) {
      ::close(fd[0]);
      return 0;
    }
    check(vx::NetworkManagerSeam::adoptSocket(fd[0]) == 0);
    collectArrived(stream, mode);
  }
  if (nm.getNumConnections() > 0) check(nm.close(-1) == 0);
  check(nm.getNumConnections() == 0);
  if (fd[1] >= 0) ::close(fd[1]);
  return 0;
}
