// The engine against peers in another process that use plain sockets:
// peers that leave mid-message, a server that never reads, a slow reader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "NetTest.h"
#include "network/NetworkManager.h"
#include "support/NetworkManagerSeam.h"
#include "support/TestEnv.h"

using namespace vx;
using nettest::Child;
using nettest::Recorder;
using nettest::waitFor;

namespace {

const std::string FAST_LOOP_CONFIG = nettest::NET_CONFIG + "frame_time:5,\n";

// A plain client socket connected to the port (with a receive buffer of
// rcvbuf bytes unless 0), retrying while nobody listens; -1 after 5 s.
int plainConnect(int port, int rcvbuf = 0) {
  int fd = -1;
  waitFor(
      [&] {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (rcvbuf > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof(rcvbuf));
        sockaddr_in a = nettest::loopback(port);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0) return true;
        ::close(fd);
        fd = -1;
        return false;
      },
      5000);
  return fd;
}

// Reads exactly n bytes within timeout_ms (pausing pause_us after each
// read, a slow reader); false on end, error or timeout.
bool readExactly(int fd, char *p, size_t n, int timeout_ms, int chunk = 65536, int pause_us = 0) {
  size_t got = 0;
  int64_t end = platform::nowMicros() + int64_t(timeout_ms) * 1000;
  while (got < n) {
    int64_t left_ms = (end - platform::nowMicros()) / 1000;
    if (left_ms <= 0) return false;
    struct pollfd pf = {fd, POLLIN, 0};
    if (::poll(&pf, 1, static_cast<int>(left_ms)) <= 0) continue;
    size_t want = n - got < size_t(chunk) ? n - got : size_t(chunk);
    ssize_t r = ::read(fd, p + got, want);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
    if (pause_us > 0) ::usleep(pause_us);
  }
  return true;
}

// A one-byte command from the other process; 0 on timeout or end.
char nextCommand(int fd, int timeout_ms = 10000) {
  char c = 0;
  return readExactly(fd, &c, 1, timeout_ms) ? c : 0;
}

struct Pipe {
  int fd[2] = {-1, -1};
  Pipe() { (void)::pipe2(fd, O_CLOEXEC); }
  ~Pipe() {
    ::close(fd[0]);
    ::close(fd[1]);
  }
  void say(char c) { (void)::write(fd[1], &c, 1); }
};

// Index of the line equal to text after index from, or -1.
int lineAt(const std::vector<std::string> &lines, const std::string &text, int from = 0) {
  for (size_t i = static_cast<size_t>(from); i < lines.size(); i++)
    if (lines[i] == text) return static_cast<int>(i);
  return -1;
}

// Sends the last message: seq -1 with the count of messages send took and
// the sum of their numbers; closes the socket once send took it. True then.
bool sendTallyThenClose(NetworkManager &nm, int64_t taken, int64_t sum) {
  std::string last = nettest::seqMessage(-1, 8 + 16);
  memcpy(&last[8], &taken, 8);
  memcpy(&last[16], &sum, 8);
  if (nm.send(last.data(), static_cast<int>(last.size()), 0) != 0) return false;
  nm.close(0);
  return true;
}

// Sends count messages of the largest size on a socket; how many send took.
int sendLargest(NetworkManager &nm, int sock_index, int count) {
  int taken = 0;
  for (int seq = 0; seq < count; seq++) {
    std::string m = nettest::seqMessage(seq, MAX_MESSAGE_SIZE);
    taken += nm.send(m.data(), MAX_MESSAGE_SIZE, sock_index) == 0;
  }
  return taken;
}

// Calls genDataEvents until it gives other than 0 (at most 5 s).
int untilNotZero(int sock_index) {
  int r = 0;
  waitFor([&] { return (r = genDataEvents(sock_index)) != 0; });
  return r;
}

} // namespace

// The engine in this process and a peer with plain sockets in another, with
// a free port on 127.0.0.1 between them.
class NetworkPlainPeer : public ::testing::Test {
 protected:
  test::TestEnv env;
  int port = nettest::freePort();
  NetworkManager &nm = NetworkManager::getInstance();
  Recorder *rec = nullptr;

  void SetUp() override {
    env.writeConfig(nettest::NET_CONFIG);
    ASSERT_GT(port, 0);
  }

  // Once the peer runs: starts the engine with a recorder of its network
  // events (and steps); with serve, listens on the port and takes the first
  // client.
  void startEngine(const Child &peer, bool steps, bool serve) {
    ASSERT_TRUE(peer.started());
    ASSERT_EQ(env.startEngine(), 0);
    rec = new Recorder(steps);
    if (!serve) return;
    ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
    ASSERT_TRUE(waitFor([&] { return nm.accept() == 0; }));
  }

  enum Ending { CLOSE, SHUT_DOWN, SHUT_DOWN_NEVER_READ };
  void burstThenEnd(Ending ending);
};

// Three clients hold the default maximum and leave with 2 bytes, 20 bytes of
// a 64-byte message (reset) and nothing waiting; each is closed once with a
// CLOSE event, later indices move down, and a fourth client is admitted.
// Leaving between messages is an ordinary close: 0, not an error.
TEST_F(NetworkPlainPeer, PeersThatLeaveAreClosedAndMakeRoom) {
  Pipe cmd;

  Child peer([&]() -> int {
    int a = plainConnect(port);
    int b = plainConnect(port);
    int c = plainConnect(port);
    if (a < 0 || b < 0 || c < 0) return 10;
    std::string f64 = nettest::frame(std::string(60, 'x'));
    if (!nettest::writeAll(b, f64.substr(0, 2)) || !nettest::writeAll(c, f64.substr(0, 20)))
      return 11;
    if (nextCommand(cmd.fd[0]) != 'B') return 12;
    ::close(b);
    if (nextCommand(cmd.fd[0]) != 'C') return 13;
    struct linger lg = {1, 0};
    ::setsockopt(c, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
    ::close(c);
    if (nextCommand(cmd.fd[0]) != 'A') return 14;
    ::close(a);
    if (nextCommand(cmd.fd[0]) != 'D') return 15;
    int d = plainConnect(port);
    if (d < 0 || !nettest::writeAll(d, nettest::frame("hello"))) return 16;
    std::string want = nettest::frame("welcome");
    std::string got(want.size(), '\0');
    if (!readExactly(d, &got[0], got.size(), 10000) || got != want) return 17;
    ::close(d);
    return 0;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, false));
  ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  ASSERT_TRUE(waitFor([&] {
    nm.accept();
    return nm.getNumConnections() == 3;
  }));
  ASSERT_TRUE(waitFor([&] { return nm.isData(1) == 2 && nm.isData(2) == 20; }));
  int fd_a = nm.getSocket(0);
  int fd_c = nm.getSocket(2);
  EXPECT_EQ(genDataEvents(0), 0);
  EXPECT_EQ(genDataEvents(1), 0);
  EXPECT_EQ(genDataEvents(2), 0);

  cmd.say('B');
  EXPECT_EQ(untilNotZero(1), -1);
  ASSERT_EQ(nm.getNumConnections(), 2);
  EXPECT_EQ(nm.getSocket(0), fd_a);
  EXPECT_EQ(nm.getSocket(1), fd_c);

  // It resets with bytes on their way to it: they are counted in the line
  // of the cause, and the socket is not kept for them.
  ASSERT_EQ(sendLargest(nm, 1, 16), 16);
  cmd.say('C');
  EXPECT_EQ(untilNotZero(1), -1);
  ASSERT_EQ(nm.getNumConnections(), 1);
  EXPECT_FALSE(nm.isDraining());

  cmd.say('A');
  LogManager::getInstance().setLogLevel(1);
  ASSERT_TRUE(waitFor([&] {
    EXPECT_EQ(genDataEvents(0), 0);
    return nm.getNumConnections() == 0;
  }));
  LogManager::getInstance().setLogLevel(0);

  std::vector<std::string> lines = env.logLines();
  int at = lineAt(lines, "vx::genDataEvents(): Socket 1 closed by the peer, 2 bytes of a message unread.");
  EXPECT_GE(at, 0);
  while (++at < static_cast<int>(lines.size()) &&
         lines[at].find("Socket 1 lost, 20 bytes of a message unread, ") == std::string::npos) {
  }
  ASSERT_LT(at + 1, static_cast<int>(lines.size()));
  EXPECT_NE(lines[at].find(" unsent bytes discarded ("), std::string::npos);
  EXPECT_EQ(lines[at + 1], "\t104 - Connection reset by peer");
  EXPECT_FALSE(env.logContains("Closed socket"));
  EXPECT_GE(lineAt(lines, "NetworkManager::receive(): socket is closed", at), 0);
  EXPECT_FALSE(env.logContains("vx::genDataEvents(): Socket 0"));
  ASSERT_EQ(rec->seen.size(), 6u);
  EXPECT_EQ(rec->seen[3].label, NetworkEventLabel::CLOSE);
  EXPECT_EQ(rec->seen[3].index, 1);
  EXPECT_EQ(rec->seen[4].index, 1);
  EXPECT_EQ(rec->seen[5].index, 0);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 3);

  // Room again: the fourth client is admitted and served.
  cmd.say('D');
  int index = -1;
  ASSERT_TRUE(waitFor([&] { return (index = nm.accept()) >= 0; }));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(untilNotZero(0), 1);
  ASSERT_EQ(rec->seen.back().label, NetworkEventLabel::DATA);
  EXPECT_EQ(rec->seen.back().message, nettest::frame("hello"));
  std::string reply = nettest::frame("welcome");
  EXPECT_EQ(nm.send(reply.data(), static_cast<int>(reply.size()), 0), 0);
  ASSERT_TRUE(waitFor([&] { return genDataEvents(0) == 0 && nm.getNumConnections() == 0; }));
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 4);
  EXPECT_EQ(peer.wait(), 0);
}

namespace {

// While it lives, this process can open no further descriptor.
struct NoFreeDescriptors {
  struct rlimit old;
  bool set = false;
  NoFreeDescriptors() {
    int lowest = ::open("/dev/null", O_RDONLY);
    ::close(lowest);
    if (lowest < 0 || ::getrlimit(RLIMIT_NOFILE, &old) != 0) return;
    struct rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(lowest);
    set = ::setrlimit(RLIMIT_NOFILE, &low) == 0;
  }
  ~NoFreeDescriptors() {
    if (set) ::setrlimit(RLIMIT_NOFILE, &old);
  }
};

} // namespace

// Out of descriptors, accept fails at every call (-2): the same failure has
// one error line in ACCEPT_ERROR_LOG_MS (on a fake clock), whatever
// succeeds in between, then the count since, at the next call after that
// time or when the listening socket closes.
TEST_F(NetworkPlainPeer, FailingAcceptsAreLoggedOncePerRun) {
  Pipe cmd, ready;
  Child peer([&]() -> int {
    int s = plainConnect(port);
    if (s < 0) return 10;
    ready.say('C');
    return nextCommand(cmd.fd[0]) == 'Q' ? 0 : 11;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, false));
  LogManager::getInstance().setLogLevel(1);
  ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  ASSERT_EQ(nextCommand(ready.fd[0]), 'C');
  auto failures = [&](int calls) {
    NoFreeDescriptors limit;
    int failed = 0;
    for (int k = 0; k < calls && limit.set; k++) failed += nm.accept() == -2;
    return failed;
  };
  {
    test::FakeTime fake;
    EXPECT_EQ(failures(30), 30);
    EXPECT_EQ(nm.accept(), 0);
    EXPECT_EQ(failures(3), 3);
    fake.advanceMillis(ACCEPT_ERROR_LOG_MS);
    EXPECT_EQ(failures(2), 2);
    ASSERT_EQ(nm.setServer(false), 0);
  }
  cmd.say('Q');

  std::vector<std::string> lines = env.logLines();
  int at = lineAt(lines, "NetworkManager::accept(): Error! accept() returned:");
  ASSERT_GE(at, 0);
  const std::vector<std::string> want = {
      "NetworkManager::accept(): Error! accept() returned:",
      "\t24 - Too many open files",
      "NetworkManager::accept(): New connection, socket 0.",
      "NetworkManager::accept(): accept() failed 32 more times with error 24 since it was logged.",
      "NetworkManager::accept(): Error! accept() returned:",
      "\t24 - Too many open files",
      "NetworkManager::accept(): accept() failed 1 more time with error 24 since it was logged."};
  EXPECT_EQ(std::vector<std::string>(lines.begin() + at, lines.end()), want);
  EXPECT_EQ(peer.wait(), 0);
}

// The engine as client; the server accepts and never reads. Every step
// stays short; once the unsent bytes reach the cap messages are refused,
// with one line a run, and the connection stays, until MAX_SEND_STALL_MS
// (on a fake clock, once the systems have taken all they take) pass
// without progress. The drop line and what the peer holds unread add up
// to every byte send took.
TEST_F(NetworkPlainPeer, ServerThatNeverReadsIsDroppedWithoutHoldingTheLoop) {
  Pipe cmd, report;

  Child peer([&]() -> int {
    int l = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in a = nettest::loopback(port);
    if (::bind(l, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(l, 1) != 0)
      return 10;
    int s = ::accept(l, nullptr, nullptr);
    if (s < 0) return 11;
    if (nextCommand(cmd.fd[0], 30000) != 'Q') return 12;
    int unread = -1;
    if (::ioctl(s, FIONREAD, &unread) != 0) return 13;
    return ::write(report.fd[1], &unread, sizeof(unread)) == sizeof(unread) ? 0 : 14;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, false));
  int index = -1;
  ASSERT_TRUE(waitFor([&] { return (index = nm.connect("127.0.0.1", std::to_string(port))) >= 0; }));
  ASSERT_EQ(index, 0);

  // One step: four messages, then the loop's due sends.
  int64_t longest_us = 0;
  int64_t taken = 0;
  int refused_in_run = 0;
  int refused = 0;
  int seq = 0;
  auto step = [&] {
    auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 4 && nm.getNumConnections() > 0; k++) {
      std::string m = nettest::seqMessage(seq++, MAX_MESSAGE_SIZE);
      int r = nm.send(m.data(), static_cast<int>(m.size()), 0);
      if (r == 0) taken += MAX_MESSAGE_SIZE, refused_in_run = 0;
      if (r != 0 && nm.getNumConnections() > 0) refused++, refused_in_run++;
    }
    if (nm.isConnected(-1)) nm.sendDelayed();
    auto dt = std::chrono::steady_clock::now() - t0;
    longest_us = std::max<int64_t>(
        longest_us, std::chrono::duration_cast<std::chrono::microseconds>(dt).count());
  };
  // Real steps until neither system has taken a byte for 300 ms.
  int64_t last_change = platform::nowMicros();
  int64_t settle_end = last_change + 10000000;
  int64_t last_taken = -1;
  int last_queued = -1;
  while (platform::nowMicros() - last_change < 300000 && platform::nowMicros() < settle_end) {
    step();
    int queued = -1;
    ::ioctl(nm.getSocket(0), SIOCOUTQ, &queued);
    if (taken != last_taken || queued != last_queued) last_change = platform::nowMicros();
    last_taken = taken;
    last_queued = queued;
    ::usleep(5000);
  }
  ASSERT_EQ(nm.getNumConnections(), 1);
  size_t refusal_lines = 0;
  const std::string refusal = "NetworkManager::send(): Error! Socket 0 has ";
  for (const std::string &l : env.logLines()) refusal_lines += l.rfind(refusal, 0) == 0;

  // Then 33 ms a step on a fake clock that goes on from the real one. The
  // old code held a step 500 ms; load does not come near the bound.
  test::FakeTime fake(platform::nowMicros());
  int steps = 0;
  int refused_before = refused;
  while (nm.getNumConnections() > 0 && steps < 2000) {
    step();
    fake.advanceMillis(33);
    steps++;
  }
  fake.uninstall();
  cmd.say('Q');
  int unread = -1;
  EXPECT_TRUE(readExactly(report.fd[0], reinterpret_cast<char *>(&unread), sizeof(unread), 10000));
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_LE(steps * 33, MAX_SEND_STALL_MS + 33);
  EXPECT_GT(refused - refused_before, 100);
  EXPECT_LT(longest_us, 250000);
  ASSERT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_EQ(rec->seen.back().index, 0);

  // One refusal line at most in the fake steps, and the run's count at the close.
  size_t refusal_lines_after = 0;
  unsigned long long lost = 0, held = 0;
  int queued = -1;
  for (const std::string &l : env.logLines()) {
    refusal_lines_after += l.rfind(refusal, 0) == 0;
    long long ms = 0;
    if (sscanf(l.c_str(),
               "NetworkManager::send(): Error! Socket 0: its peer acknowledged no bytes for %lld "
               "ms. Closing it: %llu unsent bytes discarded (%llu held here, %d in the system's "
               "send queue).",
               &ms, &lost, &held, &queued) == 4) {
      EXPECT_GE(ms, MAX_SEND_STALL_MS);
      EXPECT_LT(ms, MAX_SEND_STALL_MS + 33);
    }
  }
  EXPECT_LE(refusal_lines_after, refusal_lines + 1);
  EXPECT_TRUE(env.logContains(
      "NetworkManager::close(): Socket 0: messages refused since the last one that fitted: " +
      std::to_string(refused_in_run) + "."));
  EXPECT_GT(held, 0u);
  EXPECT_EQ(lost, held + static_cast<unsigned long long>(queued));
  EXPECT_EQ(static_cast<int64_t>(lost) + unread, taken);
  EXPECT_EQ(peer.wait(), 0);
}

namespace {

// Reads count seqMessages of the given size, then expects the stream's
// clean end. 0 when all came whole and in order, else where it failed.
int readSeqMessagesThenEnd(int fd, int count, int32_t size) {
  std::vector<char> body(static_cast<size_t>(size - 4));
  for (int seq = 0; seq < count; seq++) {
    int32_t len = 0;
    if (!readExactly(fd, reinterpret_cast<char *>(&len), 4, 20000)) return 20;
    if (len != size) return 21;
    if (!readExactly(fd, body.data(), body.size(), 20000)) return 22;
    if (!nettest::seqBodyOk(body.data(), seq, size)) return 23;
  }
  char c;
  struct pollfd pf = {fd, POLLIN, 0};
  if (::poll(&pf, 1, 20000) != 1) return 24;
  ssize_t n = ::recv(fd, &c, 1, 0);
  return n == 0 ? 0 : 25;
}

} // namespace

// The engine as a client with more connections than the limit of 3 and
// than MIN_CLOSED_SOCKETS sends a burst on each, then closes them all or
// shuts down at once, to a server that has sent bytes the engine never
// reads and that reads late through small receive buffers: on every
// connection every message send accepted arrives whole and in order, then
// a clean end. A server that never reads is given up at shut-down after
// the bounded wait, with the bytes counted, and sees a reset.
void NetworkPlainPeer::burstThenEnd(Ending ending) {
  const int connections = ending == SHUT_DOWN_NEVER_READ ? 1 : MIN_CLOSED_SOCKETS + 2;
  const int count = 20;
  const int32_t size = 60000;
  env.writeConfig(FAST_LOOP_CONFIG);
  Pipe cmd;

  Child peer([&]() -> int {
    int l = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1, small = 16 * 1024;
    ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    ::setsockopt(l, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    sockaddr_in a = nettest::loopback(port);
    if (::bind(l, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(l, 16) != 0)
      return 10;
    std::vector<int> s;
    // Unread at the close, "hello" would make the system reset the connection.
    for (int k = 0; k < connections; k++)
      if (s.emplace_back(::accept(l, nullptr, nullptr)) < 0 || !nettest::writeAll(s[k], "hello"))
        return 11;
    if (nextCommand(cmd.fd[0]) != 'R') return 12;
    if (ending != SHUT_DOWN_NEVER_READ) {
      ::usleep(300000);
      for (int fd : s)
        if (int r = readSeqMessagesThenEnd(fd, count, size)) return r;
      return 0;
    }
    // Given up: whatever arrived, then a reset rather than a clean end.
    std::vector<char> buf(65536);
    for (int reads = 0; reads < 10000; reads++) {
      ssize_t n = ::recv(s[0], buf.data(), buf.size(), 0);
      if (n < 0) return errno == ECONNRESET ? 0 : 13;
      if (n == 0) return 14;
    }
    return 15;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, true, false));
  ASSERT_TRUE(waitFor([&] { return nm.connect("127.0.0.1", std::to_string(port)) == 0; }));
  for (int k = 1; k < connections; k++)
    ASSERT_EQ(nm.connect("127.0.0.1", std::to_string(port)), k);
  for (int k = 0; k < connections; k++) {
    ASSERT_TRUE(waitFor([&] { return nm.isData(k) == 5; }));
    for (int seq = 0; seq < count; seq++) {
      std::string m = nettest::seqMessage(seq, size);
      ASSERT_EQ(nm.send(m.data(), size, k), 0) << seq;
    }
  }

  if (ending == CLOSE) {
    EXPECT_EQ(nm.close(-1), 0);
    EXPECT_EQ(nm.getNumConnections(), 0);
    ASSERT_EQ(rec->seen.size(), 2u * connections);
    for (int k = 0; k < connections; k++) {
      EXPECT_EQ(rec->seen[connections + k].label, NetworkEventLabel::CLOSE);
      EXPECT_EQ(rec->seen[connections + k].index, k);
    }
    EXPECT_TRUE(nm.isDraining());
    cmd.say('R');
    // The loop sends the rest with no socket connected.
    rec->on_step = [&](int step) {
      if (!nm.isDraining() || step > 4000) GameManager::getInstance().setGameOver();
    };
    GameManager::getInstance().run();
    EXPECT_FALSE(nm.isDraining());
    env.stopEngine();
    EXPECT_FALSE(env.logContains("discarded"));
  } else if (ending == SHUT_DOWN) {
    cmd.say('R');
    env.stopEngine();
    EXPECT_FALSE(env.logContains("discarded"));
  } else {
    {
      test::FakeTime fake;
      env.stopEngine();
    }
    cmd.say('R');
    bool counted = false;
    for (const std::string &l : env.logLines()) {
      unsigned long long lost = 0;
      int ms = 0;
      counted |= sscanf(l.c_str(),
                        "NetworkManager::shutDown(): Warning! %llu unsent bytes of 1 closed "
                        "sockets discarded after %d ms.",
                        &lost, &ms) == 2 &&
                 lost > 0 && ms == SHUTDOWN_SEND_WAIT_MS;
    }
    EXPECT_TRUE(counted);
  }
  EXPECT_EQ(peer.wait(20000), 0);
}

TEST_F(NetworkPlainPeer, AcceptedBytesOutliveClose) { burstThenEnd(CLOSE); }

TEST_F(NetworkPlainPeer, AcceptedBytesOutliveShutDown) { burstThenEnd(SHUT_DOWN); }

TEST_F(NetworkPlainPeer, ShutDownGivesUpOnAPeerThatNeverReads) {
  burstThenEnd(SHUT_DOWN_NEVER_READ);
}

namespace {

// The figures of a line that gives up a closed socket's bytes.
struct Dropped {
  int fd = -1;
  unsigned long long all = 0, held = 0;
  int queued = -1;
  std::string rest;  // the line between the descriptor and the count
};

// Lines that begin with head and then "(m_sock[] was <fd>)", with their figures.
std::vector<Dropped> droppedLines(const test::TestEnv &env, const std::string &head) {
  std::vector<Dropped> found;
  const std::string start = head + "Error! Closed socket (m_sock[] was ";
  for (const std::string &l : env.logLines()) {
    if (l.rfind(start, 0) != 0) continue;
    Dropped d;
    size_t fd_end = l.find(')', start.size());
    size_t count_at = l.rfind(": ");
    if (fd_end == std::string::npos || count_at == std::string::npos) continue;
    d.fd = atoi(l.c_str() + start.size());
    d.rest = l.substr(fd_end + 1, count_at - fd_end - 1);
    sscanf(l.c_str() + count_at,
           ": %llu unsent bytes discarded (%llu held here, %d in the system's send queue).", &d.all,
           &d.held, &d.queued);
    found.push_back(d);
  }
  return found;
}

} // namespace

// A closed socket whose peer then resets the connection (it closes with
// bytes unread) is let go at the next step, with a line that counts the
// bytes dropped and the reset's text, not kept until the no-progress rule.
TEST_F(NetworkPlainPeer, ClosedSocketWhosePeerResetsIsLetGo) {
  const int count = 46;
  Pipe cmd;
  Child peer([&]() -> int {
    int s = plainConnect(port);
    if (s < 0) return 10;
    if (nextCommand(cmd.fd[0]) != 'R') return 11;
    std::vector<char> buf(50000);
    if (!readExactly(s, buf.data(), buf.size(), 10000)) return 12;
    ::close(s);
    return 0;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, true));
  int fd = nm.getSocket(0);
  ASSERT_EQ(sendLargest(nm, 0, count), count);
  ASSERT_EQ(nm.close(0), 0);
  ASSERT_TRUE(nm.isDraining());
  cmd.say('R');
  EXPECT_EQ(peer.wait(), 0);
  // The reset has arrived once the socket shows it (without taking it).
  struct pollfd pf = {fd, 0, 0};
  ASSERT_EQ(::poll(&pf, 1, 5000), 1);

  nm.sendDelayed();
  EXPECT_FALSE(nm.isDraining());
  std::vector<Dropped> lost = droppedLines(env, "NetworkManager::sendDelayed(): ");
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].fd, fd);
  EXPECT_EQ(lost[0].rest, " lost its peer");
  EXPECT_GT(lost[0].all, 0u);
  EXPECT_LE(lost[0].all, static_cast<unsigned long long>(count) * MAX_MESSAGE_SIZE - 50000);
  EXPECT_EQ(lost[0].all, lost[0].held + static_cast<unsigned long long>(lost[0].queued));
  std::vector<std::string> lines = env.logLines();
  int at = lineAt(lines, "NetworkManager::sendDelayed(): Error! Closed socket (m_sock[] was " +
                             std::to_string(fd) + ") lost its peer: " + std::to_string(lost[0].all) +
                             " unsent bytes discarded (" + std::to_string(lost[0].held) +
                             " held here, " + std::to_string(lost[0].queued) +
                             " in the system's send queue).");
  ASSERT_GE(at, 0);
  ASSERT_LT(at + 1, static_cast<int>(lines.size()));
  EXPECT_EQ(lines[at + 1], "\t104 - Connection reset by peer");
}

// Closed sockets with bytes on their way are bounded (here at
// MIN_CLOSED_SOCKETS) in bytes: twice as many times the send cap. A socket
// closed past the bound has the oldest given up first, each with a line
// that counts its bytes: with what its peer holds unread, at least all it
// was sent.
TEST_F(NetworkPlainPeer, ClosedSocketsAreBoundedOldestFirst) {
  const int count = 16;
  Pipe cmd, report;
  Child peer([&]() -> int {
    int s[5];
    for (int k = 0; k < 5; k++)
      if ((s[k] = plainConnect(port)) < 0) return 10 + k;
    if (nextCommand(cmd.fd[0]) != 'Q') return 20;
    int unread = -1;
    if (::ioctl(s[0], FIONREAD, &unread) != 0) return 21;
    if (::write(report.fd[1], &unread, sizeof(unread)) != sizeof(unread)) return 22;
    return nextCommand(cmd.fd[0]) == 'E' ? 0 : 23;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, true));
  ASSERT_TRUE(waitFor([&] {
    nm.accept();
    return nm.getNumConnections() == 3;
  }));
  std::vector<int> fds;
  for (int i = 0; i < 3; i++) {
    fds.push_back(nm.getSocket(i));
    ASSERT_EQ(sendLargest(nm, i, count), count);
  }
  ASSERT_EQ(nm.close(-1), 0);
  EXPECT_TRUE(droppedLines(env, "NetworkManager::close(): ").empty());
  // A fourth is kept too: at least MIN_CLOSED_SOCKETS are.
  ASSERT_TRUE(waitFor([&] { return nm.accept() == 0; }));
  fds.push_back(nm.getSocket(0));
  ASSERT_EQ(sendLargest(nm, 0, count), count);
  ASSERT_EQ(nm.close(0), 0);
  EXPECT_TRUE(droppedLines(env, "NetworkManager::close(): ").empty());
  // A fifth, with a cap that makes the bytes kept pass the bound.
  ASSERT_TRUE(waitFor([&] { return nm.accept() == 0; }));
  NetworkManagerSeam::setMaxPendingOutput(MAX_MESSAGE_SIZE);
  sendLargest(nm, 0, count);
  int closed = nm.close(0);
  NetworkManagerSeam::setMaxPendingOutput(MAX_PENDING_OUTPUT);
  cmd.say('Q');
  int unread = -1;
  EXPECT_TRUE(readExactly(report.fd[0], reinterpret_cast<char *>(&unread), sizeof(unread), 10000));
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(nm.isDraining());

  std::vector<Dropped> dropped = droppedLines(env, "NetworkManager::close(): ");
  ASSERT_EQ(dropped.size(), 4u);
  for (size_t k = 0; k < dropped.size(); k++) {
    EXPECT_EQ(dropped[k].fd, fds[k]);
    EXPECT_EQ(dropped[k].rest,
              " given up to make room for socket 0 (closed sockets keep at most 4 sockets and " +
                  std::to_string(2 * 4 * MAX_MESSAGE_SIZE) + " bytes on their way)");
    EXPECT_GT(dropped[k].all, 0u);
    EXPECT_EQ(dropped[k].all, dropped[k].held + static_cast<unsigned long long>(dropped[k].queued));
  }
  // Bytes the peer's system took but had not acknowledged yet count on both sides.
  const unsigned long long sent = static_cast<unsigned long long>(count) * MAX_MESSAGE_SIZE;
  EXPECT_LE(dropped[0].all, sent);
  EXPECT_GE(dropped[0].all + static_cast<unsigned long long>(unread), sent);
  cmd.say('E');
  EXPECT_EQ(peer.wait(), 0);
}

// The engine as server sends a reader that takes everything as fast as it
// can more than the cap every step. It is never closed for it, and every
// message send took arrives whole and in order (the last message tells how
// many and the sum of their numbers).
TEST_F(NetworkPlainPeer, FastReaderIsNeverClosed) {
  env.writeConfig(FAST_LOOP_CONFIG);
  const int32_t size = MAX_MESSAGE_SIZE;
  const int per_step = 2 * MAX_PENDING_OUTPUT / size;

  Child peer([&]() -> int {
    int s = plainConnect(port);
    if (s < 0) return 10;
    std::vector<char> body(static_cast<size_t>(size));
    int64_t count = 0, sum = 0;
    int32_t last = -1;
    for (;;) {
      int32_t len = 0;
      if (!readExactly(s, reinterpret_cast<char *>(&len), 4, 20000)) return 11;
      if (len < 8 || len > size) return 12;
      if (!readExactly(s, body.data(), static_cast<size_t>(len - 4), 20000)) return 13;
      int32_t seq = 0;
      memcpy(&seq, body.data(), 4);
      if (seq == -1) {
        int64_t want[2];
        if (len != 8 + 16) return 14;
        memcpy(want, body.data() + 4, 16);
        return want[0] == count && want[1] == sum && count > 0 ? 0 : 15;
      }
      if (seq <= last || !nettest::seqBodyOk(body.data(), seq, len)) return 16;
      last = seq;
      count++;
      sum += seq;
    }
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, true, true));

  int32_t seq = 0;
  int64_t taken = 0, sum = 0;
  bool told = false;
  rec->on_step = [&](int step) {
    if (step > 4000) GameManager::getInstance().setGameOver();
    if (nm.getNumConnections() == 0) {
      if (!nm.isDraining()) GameManager::getInstance().setGameOver();
      return;
    }
    if (step < 10) {
      for (int k = 0; k < per_step; k++, seq++) {
        std::string m = nettest::seqMessage(seq, size);
        if (nm.send(m.data(), size, 0) == 0) taken++, sum += seq;
        ASSERT_EQ(nm.getNumConnections(), 1);
      }
      return;
    }
    if (!told) told = sendTallyThenClose(nm, taken, sum);
  };
  GameManager::getInstance().run();
  EXPECT_TRUE(told);
  EXPECT_GT(taken, 0);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_FALSE(env.logContains("took nothing"));
  EXPECT_EQ(peer.wait(20000), 0);
}

// A listener whose accept queue is full never answers a new handshake:
// connect gives up after its time-out (on a fake clock) with -1 and a line,
// and leaves nothing open.
TEST_F(NetworkPlainPeer, ConnectGivesUpOnAFullAcceptQueue) {
  Pipe cmd, ready;

  Child peer([&]() -> int {
    int l = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = nettest::loopback(port);
    if (::bind(l, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(l, 0) != 0)
      return 10;
    // Connect to it, never accepting, until a handshake goes unanswered.
    for (int i = 0; i < 16; i++) {
      int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 && errno != EINPROGRESS)
        return 11;
      struct pollfd pf = {c, POLLOUT, 0};
      if (::poll(&pf, 1, 300) == 0) {
        ready.say('F');
        return nextCommand(cmd.fd[0], 30000) == 'Q' ? 0 : 12;
      }
    }
    return 13;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, false, false));
  ASSERT_EQ(nextCommand(ready.fd[0]), 'F');
  int before = nettest::openDescriptors();
  int64_t waited_us = 0;
  int r = 0;
  {
    test::FakeTime fake;
    r = nm.connect("127.0.0.1", std::to_string(port));
    waited_us = fake.now() - 1000000;
  }
  cmd.say('Q');
  EXPECT_EQ(r, -1);
  EXPECT_GE(waited_us, int64_t(CONNECT_TIMEOUT_MS) * 1000);
  EXPECT_LT(waited_us, int64_t(CONNECT_TIMEOUT_MS + 100) * 1000);
  EXPECT_TRUE(env.logContains("NetworkManager::connect(): Error! No answer from 127.0.0.1, port " +
                              std::to_string(port) + ", within 5000 ms."));
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_EQ(nettest::openDescriptors(), before);
  EXPECT_TRUE(rec->seen.empty());
  EXPECT_EQ(peer.wait(), 0);
}

// The engine as server; the client reads in small pieces with pauses. What
// its socket cannot take at once goes out in later steps of the game loop,
// every message whole and in order, delayed ones after those sent before.
TEST_F(NetworkPlainPeer, SlowReaderGetsEveryMessageWholeAndInOrder) {
  env.writeConfig(FAST_LOOP_CONFIG);
  const int count = 120;
  auto sizeOf = [](int seq) { return 8 + (seq * 7919) % (48 * 1024); };

  Child peer([&]() -> int {
    // Small socket buffers: most of the bytes wait on the engine's side.
    int s = plainConnect(port, 16 * 1024);
    if (s < 0) return 10;
    std::vector<char> buf;
    for (int seq = 0; seq < count; seq++) {
      int32_t len = 0;
      if (!readExactly(s, reinterpret_cast<char *>(&len), 4, 20000, 4096, 300)) return 11;
      if (len != sizeOf(seq)) return 12;
      buf.assign(static_cast<size_t>(len - 4), 0);
      if (!readExactly(s, buf.data(), buf.size(), 20000, 4096, 300)) return 13;
      int32_t got_seq = -1;
      memcpy(&got_seq, buf.data(), 4);
      if (got_seq != seq) return 14;
      for (size_t i = 4; i < buf.size(); i++)
        if (buf[i] != static_cast<char>((seq + i) % 251)) return 15;
    }
    ::close(s);
    return 0;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, true, true));
  int small = 16 * 1024;
  ::setsockopt(nm.getSocket(0), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));

  auto sendSeq = [&](int seq) {
    std::string m(static_cast<size_t>(sizeOf(seq)), '\0');
    int32_t len = sizeOf(seq);
    memcpy(&m[0], &len, 4);
    memcpy(&m[4], &seq, 4);
    for (size_t i = 8; i < m.size(); i++) m[i] = static_cast<char>((seq + i - 4) % 251);
    EXPECT_EQ(nm.send(m.data(), static_cast<int>(m.size()), 0), 0) << seq;
  };
  bool closed = false;
  int closed_step = -1;
  rec->on_network = [&](const EventNetwork &e) {
    if (e.getLabel() != NetworkEventLabel::CLOSE) return;
    closed = true;
    closed_step = GameManager::getInstance().getStepCount();
  };
  rec->on_step = [&](int step) {
    if (step == 0) {
      for (int seq = 0; seq < count / 2; seq++) sendSeq(seq);
      nm.setDelay(2, 0);
      for (int seq = count / 2; seq < count; seq++) sendSeq(seq);
      nm.setDelay(0, 0);
    }
    // The reader leaves once it has every message.
    if (step > 0 && !closed) genDataEvents(0);
    if (closed || step > 6000) GameManager::getInstance().setGameOver();
  };
  GameManager::getInstance().run();
  EXPECT_TRUE(closed);
  EXPECT_GT(closed_step, 2);  // the bytes went out over many steps
  EXPECT_FALSE(env.logContains("Closing it."));
  EXPECT_EQ(peer.wait(), 0);
}

// A plain peer with default buffers sends 200 messages of the largest size
// at once, then 1,000 of 4 KiB, and leaves. The game loop collects them
// step by step (one a step, then ten): every one arrives whole and in
// order, and the peer's leaving between messages is an ordinary close.
TEST_F(NetworkPlainPeer, BurstsAreCollectedStepByStepInOrder) {
  env.writeConfig(FAST_LOOP_CONFIG);
  const int big_count = 200;
  const int count = big_count + 1000;
  auto sizeOf = [&](int seq) { return seq < big_count ? MAX_MESSAGE_SIZE : 4096; };

  Child peer([&]() -> int {
    int s = plainConnect(port);
    if (s < 0) return 10;
    std::string all;
    for (int seq = 0; seq < count; seq++) all += nettest::seqMessage(seq, sizeOf(seq));
    if (!nettest::writeAll(s, all)) return 11;
    ::close(s);
    return 0;
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, true, true));

  int delivered = 0;
  int errors = 0;
  int closed_step = -1;
  rec->on_network = [&](const EventNetwork &e) {
    if (e.getLabel() == NetworkEventLabel::CLOSE)
      closed_step = GameManager::getInstance().getStepCount();
    if (e.getLabel() != NetworkEventLabel::DATA) return;
    int32_t size = sizeOf(delivered);
    EXPECT_TRUE(e.getBytes() == size && nettest::seqBodyOk(e.getMessage() + 4, delivered, size))
        << delivered;
    delivered++;
  };
  rec->on_step = [&](int step) {
    for (int k = 0; k < (delivered < big_count ? 1 : 10) && nm.getNumConnections() > 0; k++)
      errors += genDataEvents(0) < 0;
    if (closed_step >= 0 || step > 6000) GameManager::getInstance().setGameOver();
  };
  GameManager::getInstance().run();
  EXPECT_EQ(delivered, count);
  EXPECT_EQ(errors, 0);
  EXPECT_GE(closed_step, big_count);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_FALSE(env.logContains("unread"));
  EXPECT_EQ(peer.wait(), 0);
}

// A plain peer with default buffers reads 10 KB/s for 20 s while every step
// sends it 4 KiB (refused at the cap): the connection is kept. Then it
// reads as fast as it can: every message send took arrives whole and in
// order (the last one tells how many and the sum of their numbers).
TEST_F(NetworkPlainPeer, ReaderOf10KBPerSecondIsKept) {
  env.writeConfig(FAST_LOOP_CONFIG);
  const int32_t size = 4096;
  const int rate = 10000;
  const int64_t slow_us = 20 * 1000000;

  Child peer([&]() -> int {
    int s = plainConnect(port);
    if (s < 0) return 10;
    int64_t start = platform::nowMicros();
    int64_t total = 0, count = 0, sum = 0;
    std::string stream;
    std::vector<char> buf(65536);
    for (;;) {
      bool slow = platform::nowMicros() - start < slow_us;
      struct pollfd pf = {s, POLLIN, 0};
      if (::poll(&pf, 1, 20000) != 1) return 11;
      ssize_t n = ::recv(s, buf.data(), slow ? 1000 : buf.size(), 0);
      if (n <= 0) return 12;
      total += n;
      stream.append(buf.data(), static_cast<size_t>(n));
      size_t at = 0;
      while (stream.size() - at >= 8) {
        int32_t len = nettest::lengthOf(stream.substr(at, 4));
        if (len < 8 || len > size) return 13;
        if (stream.size() - at < static_cast<size_t>(len)) break;
        int32_t seq = 0;
        memcpy(&seq, stream.data() + at + 4, 4);
        if (seq == -1) {
          int64_t want[2];
          if (len != 8 + 16) return 14;
          memcpy(want, stream.data() + at + 8, 16);
          if (want[0] != count || want[1] != sum) return 15;
          // The engine closes once the tally is out: a clean end.
          ssize_t end = ::recv(s, buf.data(), 1, 0);
          return end == 0 && platform::nowMicros() - start >= slow_us ? 0 : 16;
        }
        if (len != size || seq != count || !nettest::seqBodyOk(stream.data() + at + 4, seq, size))
          return 17;
        count++;
        sum += seq;
        at += static_cast<size_t>(len);
      }
      stream.erase(0, at);
      if (slow) {
        int64_t wait = start + total * 1000000 / rate - platform::nowMicros();
        if (wait > 0) ::usleep(static_cast<useconds_t>(wait));
      }
    }
  });
  ASSERT_NO_FATAL_FAILURE(startEngine(peer, true, true));

  int32_t seq = 0;
  int64_t taken = 0, sum = 0;
  bool told = false;  // only a connection that was kept takes the tally
  int64_t start = platform::nowMicros();
  rec->on_step = [&](int step) {
    if (nm.getNumConnections() == 0) {
      if (!nm.isDraining() || step > 40000) GameManager::getInstance().setGameOver();
      return;
    }
    if (platform::nowMicros() - start < slow_us) {
      std::string m = nettest::seqMessage(seq, size);
      if (nm.send(m.data(), size, 0) == 0) taken++, sum += seq++;
      return;
    }
    told = sendTallyThenClose(nm, taken, sum);
  };
  GameManager::getInstance().run();
  EXPECT_TRUE(told);
  EXPECT_GT(taken, 0);
  EXPECT_FALSE(env.logContains("acknowledged no bytes"));
  EXPECT_EQ(peer.wait(30000), 0);
}
