// The engine against peers in another process that use plain sockets:
// peers that leave mid-message, a server that never reads, a slow reader.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>

#include "NetTest.h"
#include "support/TestEnv.h"

using namespace vx;
using nettest::Child;
using nettest::Recorder;
using nettest::waitFor;

namespace {

const std::string NET_CONFIG = "headless:true,\nnetworking:true,\n";

// A plain client socket connected to the port, retrying while nobody
// listens; -1 after 5 s.
int plainConnect(int port) {
  int fd = -1;
  waitFor(
      [&] {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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

// Calls genDataEvents until it gives other than 0 (at most 5 s).
int untilNotZero(int sock_index) {
  int r = 0;
  waitFor([&] { return (r = genDataEvents(sock_index)) != 0; });
  return r;
}

} // namespace

// Three clients hold the default maximum and leave with 2 bytes, 20 bytes of
// a 64-byte message (reset) and nothing waiting; each is closed once with a
// CLOSE event, later indices move down, and a fourth client is admitted.
TEST(NetworkPlainPeer, PeersThatLeaveAreClosedAndMakeRoom) {
  test::TestEnv env;
  env.writeConfig(NET_CONFIG);
  int port = nettest::freePort();
  ASSERT_GT(port, 0);
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
  ASSERT_TRUE(peer.started());

  ASSERT_EQ(env.startEngine(), 0);
  NetworkManager &nm = NetworkManager::getInstance();
  Recorder *rec = new Recorder;
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

  cmd.say('C');
  EXPECT_EQ(untilNotZero(1), -1);
  ASSERT_EQ(nm.getNumConnections(), 1);

  cmd.say('A');
  EXPECT_EQ(untilNotZero(0), -1);
  EXPECT_EQ(nm.getNumConnections(), 0);

  std::vector<std::string> lines = env.logLines();
  int at = lineAt(lines, "vx::genDataEvents(): Socket 1 closed by the peer, 2 bytes of a message unread.");
  EXPECT_GE(at, 0);
  at = lineAt(lines, "vx::genDataEvents(): Error! Socket 1 lost, 20 bytes of a message unread:", at);
  ASSERT_GE(at, 0);
  ASSERT_LT(at + 1, static_cast<int>(lines.size()));
  EXPECT_EQ(lines[at + 1], "\t104 - Connection reset by peer");
  EXPECT_GE(lineAt(lines, "vx::genDataEvents(): Socket 0 closed by the peer, 0 bytes of a message unread.", at), 0);
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
  EXPECT_EQ(untilNotZero(0), -1);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 4);
  EXPECT_EQ(peer.wait(), 0);
}

// The engine as client; the server accepts and never reads. Every step
// stays short, and once the unsent bytes pass the cap the socket is closed.
TEST(NetworkPlainPeer, ServerThatNeverReadsIsDroppedWithoutHoldingTheLoop) {
  test::TestEnv env;
  env.writeConfig(NET_CONFIG);
  int port = nettest::freePort();
  ASSERT_GT(port, 0);
  Pipe cmd;

  Child peer([&]() -> int {
    int l = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in a = nettest::loopback(port);
    if (::bind(l, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(l, 1) != 0)
      return 10;
    int s = ::accept(l, nullptr, nullptr);
    if (s < 0) return 11;
    return nextCommand(cmd.fd[0], 30000) == 'Q' ? 0 : 12;
  });
  ASSERT_TRUE(peer.started());

  ASSERT_EQ(env.startEngine(), 0);
  NetworkManager &nm = NetworkManager::getInstance();
  Recorder *rec = new Recorder;
  int index = -1;
  ASSERT_TRUE(waitFor([&] { return (index = nm.connect("127.0.0.1", std::to_string(port))) >= 0; }));
  ASSERT_EQ(index, 0);

  // One step: a message, then the loop's due sends; 256 KiB a step.
  std::string message = nettest::frame(std::string(256 * 1024 - 4, 's'));
  int64_t longest_us = 0;
  int steps = 0;
  int64_t end = platform::nowMicros() + 20000000;
  while (nm.getNumConnections() > 0 && steps < 2000 && platform::nowMicros() < end) {
    int64_t t0 = platform::nowMicros();
    int r = nm.send(message.data(), static_cast<int>(message.size()), 0);
    if (nm.isConnected(-1)) nm.sendDelayed();
    int64_t dt = platform::nowMicros() - t0;
    if (dt > longest_us) longest_us = dt;
    if (nm.getNumConnections() > 0) {
      EXPECT_EQ(r, 0);
    }
    steps++;
    ::usleep(2000);
  }
  cmd.say('Q');
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_LT(longest_us, int64_t(Config::getInstance().getFrameTime()) * 1000);
  ASSERT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_EQ(rec->seen.back().index, 0);
  bool capped = false;
  for (const std::string &l : env.logLines())
    if (l.rfind("NetworkManager::send(): Error! Socket 0 is not reading: ", 0) == 0 &&
        l.find(" bytes wait to go out (most 4194304). Closing it.") != std::string::npos)
      capped = true;
  EXPECT_TRUE(capped);
  EXPECT_EQ(peer.wait(), 0);
}

// The engine as server; the client reads in small pieces with pauses. What
// its socket cannot take at once goes out in later steps of the game loop,
// every message whole and in order, delayed ones after those sent before.
TEST(NetworkPlainPeer, SlowReaderGetsEveryMessageWholeAndInOrder) {
  test::TestEnv env;
  env.writeConfig("headless:true,\nnetworking:true,\nframe_time:5,\n");
  int port = nettest::freePort();
  ASSERT_GT(port, 0);
  const int count = 120;
  auto sizeOf = [](int seq) { return 8 + (seq * 7919) % (48 * 1024); };

  Child peer([&]() -> int {
    // Small socket buffers: most of the bytes wait on the engine's side.
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int small = 16 * 1024;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    sockaddr_in a = nettest::loopback(port);
    if (!waitFor([&] { return ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0; }))
      return 10;
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
  ASSERT_TRUE(peer.started());

  ASSERT_EQ(env.startEngine(), 0);
  NetworkManager &nm = NetworkManager::getInstance();
  Recorder *rec = new Recorder(true);
  ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  ASSERT_TRUE(waitFor([&] { return nm.accept() == 0; }));
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
