// The sending side under arbitrary input: a list of operations on one
// socket (sends of many sizes, delays, game steps, a clock that jumps, a
// close) whose peer reads in bursts through small buffers and writes bytes
// that are never read. The first byte chooses the cap on unsent bytes,
// scaled down from MAX_PENDING_OUTPUT so that every cap, stall and refusal
// path is met with small buffers. At the end the socket is closed and
// drained, and what the peer got is checked against what send accepted:
// whole messages, each with its own contents, those sent at once all there
// and in order, delayed ones a prefix of their queue and never before their
// step, refused ones never. Only a clock that jumped MAX_SEND_STALL_MS may
// have cut the stream short.
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/LogManager.h"
#include "network/NetworkManager.h"
#include "support/ClockSeam.h"
#include "support/GameManagerSeam.h"
#include "support/NetworkManagerSeam.h"

namespace {

const int MAX_OPERATIONS = 4096;
const int SMALL_BUFFER = 4096;
// The caps the first byte chooses from; the largest lets messages pass
// MAX_MESSAGE_SIZE.
const int CAPS[] = {2 * 1024, 8 * 1024, 32 * 1024, 128 * 1024};
const int64_t MAX_SENT_BYTES = 1024 * 1024;

int64_t g_now_us = 0;
int64_t fakeNow() { return g_now_us; }

void check(bool ok) {
  if (!ok) __builtin_trap();
}

enum Kind { AT_ONCE, DELAYED, REFUSED };

struct Sent {
  Kind kind;
  int32_t size;
  int64_t due_step;  // for DELAYED
};

// Message contents: byte i of message id is (7 id + i) mod 253, taken
// from one table so that making and checking them is a memory copy.
std::string g_pattern;

const char *pattern(int32_t id) {
  if (g_pattern.empty()) {
    g_pattern.resize(size_t(2 * CAPS[3]) + 8 + 253);
    for (size_t k = 0; k < g_pattern.size(); k++) g_pattern[k] = static_cast<char>(k % 253);
  }
  return g_pattern.data() + (uint32_t(id) * 7) % 253;
}

// Message id of size bytes, in one buffer for every message.
const std::string &message(int32_t id, int32_t size) {
  static std::string m;
  m.assign(pattern(id), static_cast<size_t>(size));
  memcpy(&m[0], &size, 4);
  memcpy(&m[4], &id, 4);
  return m;
}

// Reads what waits on the peer's end into got. false once the stream ended.
bool peerRead(int fd, std::string *got, size_t most) {
  char buf[65536];
  size_t taken = 0;
  while (taken < most) {
    size_t want = most - taken < sizeof(buf) ? most - taken : sizeof(buf);
    ssize_t n = ::recv(fd, buf, want, MSG_DONTWAIT);
    if (n > 0) {
      got->append(buf, static_cast<size_t>(n));
      taken += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}

// What arrived, message by message, against what send took; at the last
// step. Only a clock that jumped (may_cut) lets the stream end early.
void checkArrived(const std::vector<Sent> &sent, const std::string &got, int step, bool may_cut) {
  size_t pos = 0;
  int32_t next_at_once = 0;   // those sent at once arrive in order, none skipped
  int32_t next_delayed = 0;   // delayed ones: a prefix of their queue
  while (got.size() - pos >= 8) {
    int32_t len = 0, id = 0;
    memcpy(&len, got.data() + pos, 4);
    memcpy(&id, got.data() + pos + 4, 4);
    check(id >= 0 && static_cast<size_t>(id) < sent.size());
    const Sent &e = sent[static_cast<size_t>(id)];
    check(e.kind != REFUSED && len == e.size);
    if (got.size() - pos < static_cast<size_t>(len)) break;  // cut
    check(memcmp(got.data() + pos + 8, pattern(id) + 8, static_cast<size_t>(len) - 8) == 0);
    int32_t &cursor = e.kind == AT_ONCE ? next_at_once : next_delayed;
    check(id >= cursor);
    for (; cursor < id; cursor++) check(sent[static_cast<size_t>(cursor)].kind != e.kind);
    cursor = id + 1;
    // Never before its step: a delay near INT_MAX waits.
    if (e.kind == DELAYED) check(e.due_step <= step);
    pos += static_cast<size_t>(len);
  }
  if (pos < got.size()) check(may_cut);
  if (!may_cut)
    for (size_t i = static_cast<size_t>(next_at_once); i < sent.size(); i++)
      check(sent[i].kind != AT_ONCE);
}

void fuzzSends(int cap, const uint8_t *data, size_t size) {
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();
  vx::NetworkManagerSeam::setMaxPendingOutput(cap);
  int fd[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0) return;
  ::setsockopt(fd[0], SOL_SOCKET, SO_SNDBUF, &SMALL_BUFFER, sizeof(SMALL_BUFFER));
  ::setsockopt(fd[1], SOL_SOCKET, SO_RCVBUF, &SMALL_BUFFER, sizeof(SMALL_BUFFER));
  check(vx::NetworkManagerSeam::adoptSocket(fd[0]) == 0);
  g_now_us = 1000000;
  vx::ClockSeam::setClock(&fakeNow);
  int step = 0;
  vx::GameManagerSeam::setStepCount(step);

  std::vector<Sent> sent;
  // What the peer got; one buffer for every input.
  static std::string got;
  got.clear();
  got.reserve(size_t(MAX_SENT_BYTES));
  int delay = 0;
  int64_t jumped_ms = 0;
  int64_t sent_bytes = 0;
  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  for (int ops = 0; at < size && ops < MAX_OPERATIONS; ops++) {
    uint8_t op = next() % 7;
    bool connected = nm.getNumConnections() == 1;
    switch (op) {
      case 0: {
        int v = next() << 8;
        v |= next();
        int32_t bytes = v == 0xffff ? cap + 8 : 8 + (v * 16) % (2 * cap);
        if (sent_bytes + bytes > MAX_SENT_BYTES) break;
        sent_bytes += bytes;
        int32_t id = static_cast<int32_t>(sent.size());
        const std::string &m = message(id, bytes);
        int r = nm.send(m.data(), bytes, 0);
        if (!connected || bytes > cap) check(r == -1);
        Sent e{REFUSED, bytes, 0};
        if (r == 0) {
          e.kind = delay == 0 ? AT_ONCE : DELAYED;
          e.due_step = int64_t(step) + delay;
          if (e.due_step > INT_MAX) e.due_step = INT_MAX;
        }
        sent.push_back(e);
        break;
      }
      case 1: {
        const int delays[] = {0, 1, 2, 5, -3, INT_MAX};
        int d = delays[next() % 6];
        int r = nm.setDelay(d, 0);
        check(r == (connected ? 0 : -1));
        if (r == 0) delay = d;
        break;
      }
      case 2:
        vx::GameManagerSeam::setStepCount(++step);
        nm.sendDelayed();
        break;
      case 3:
        peerRead(fd[1], &got, (size_t(next()) + 1) * 4096);
        break;
      case 4: {
        int ms = next() * 100;
        g_now_us += int64_t(ms) * 1000;
        jumped_ms += ms;
        break;
      }
      case 5:
        if (connected) check(nm.close(0) == 0 && nm.getNumConnections() == 0);
        break;
      case 6: {
        char junk[256] = {};
        (void)::send(fd[1], junk, size_t(next()) + 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        break;
      }
    }
  }

  // Close, and let the peer read everything while the bytes drain (through
  // a larger buffer now, for speed).
  if (nm.getNumConnections() == 1) check(nm.close(0) == 0);
  const int large = 1024 * 1024;
  ::setsockopt(fd[0], SOL_SOCKET, SO_SNDBUF, &large, sizeof(large));
  bool open = true;
  for (int rounds = 0; rounds < 200000 && (open || nm.isDraining()); rounds++) {
    if (open) open = peerRead(fd[1], &got, SIZE_MAX);
    nm.sendDelayed();
  }
  check(!open && !nm.isDraining());
  ::close(fd[1]);
  vx::ClockSeam::setClock(nullptr);
  checkArrived(sent, got, step, jumped_ms >= vx::MAX_SEND_STALL_MS);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::LogManager::getInstance().startUp();
  vx::NetworkManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *input, size_t input_size) {
  if (input_size < 1) return 0;
  fuzzSends(CAPS[input[0] % 4], input + 1, input_size - 1);
  return 0;
}
