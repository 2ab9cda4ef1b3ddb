// One engine: the manager's lists, events, server and client set-up, message
// framing over loopback, and sends delayed by game steps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <initializer_list>
#include <memory>
#include <random>

#include "NetTest.h"
#include "support/GameManagerSeam.h"
#include "support/NetworkManagerSeam.h"
#include "support/TestEnv.h"

using namespace vx;
using nettest::Recorder;
using nettest::waitFor;

namespace {

int waiting(int fd) {
  int n = -1;
  if (::ioctl(fd, FIONREAD, &n) < 0) return -1;
  return n;
}

std::string readSome(int fd) {
  char buf[4096];
  ssize_t n = ::recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// A connected pair of local stream sockets: [0] is handed to the manager,
// which closes it; [1] is the test's end.
struct Pair {
  int fd[2] = {-1, -1};
  Pair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd); }
  ~Pair() { hangUp(); }
  // The test's end closes: the manager's end sees its peer gone.
  void hangUp() {
    if (fd[1] >= 0) ::close(fd[1]);
    fd[1] = -1;
  }
};

// Hands the manager its end of each pair, in order, without events.
void adopt(std::initializer_list<Pair *> pairs) {
  for (Pair *p : pairs) NetworkManagerSeam::adoptSocket(p->fd[0]);
}

class NetworkManagerTest : public ::testing::Test {
 protected:
  test::TestEnv env;
  NetworkManager &nm = NetworkManager::getInstance();

  void SetUp() override {
    env.writeConfig(nettest::NET_CONFIG);
    ASSERT_EQ(env.startEngine(), 0);
    ASSERT_TRUE(nm.isStarted());
    ASSERT_EQ(nm.getNumConnections(), 0);
    ASSERT_FALSE(nm.isServer());
  }

  // Listens on a free port and connects to it: index 0 is the client end
  // (blocking), index 1 the server end (non-blocking).
  void selfConnect() {
    int port = nettest::freePort();
    ASSERT_GT(port, 0);
    ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
    ASSERT_EQ(nm.connect("127.0.0.1", std::to_string(port)), 0);
    ASSERT_TRUE(waitFor([&] { return nm.accept() == 1; }));
  }
};

} // namespace

TEST_F(NetworkManagerTest, EventLabelsAndTypes) {
  EventNetwork ev(NetworkEventLabel::DATA);
  EXPECT_EQ(ev.getType(), "vx-network");
  EXPECT_EQ(ev.getLabel(), NetworkEventLabel::DATA);
  EXPECT_EQ(ev.getSocketIndex(), -1);
  EXPECT_EQ(ev.getBytes(), 0);
  EXPECT_EQ(ev.getMessage(), nullptr);
  char buf[4] = {};
  ev.setMessage(buf);
  ev.setLabel(7);
  EXPECT_EQ(ev.getLabel(), NetworkEventLabel::UNDEFINED);
  EXPECT_EQ(ev.getMessage(), nullptr);
  EXPECT_TRUE(env.logContains("EventNetwork::setLabel(): Undefined type (7)."));

  for (const char *t :
       {"vx-network", "vx-keyboard-network", "vx-mouse-network", "vx-network-create",
        "vx-custom-network", "vx-network-delete", "vx-network-game-over", "vx-network-sync"})
    EXPECT_TRUE(nm.isValid(t)) << t;
  EXPECT_FALSE(nm.isValid("vx-step"));
  EXPECT_TRUE(
      env.logContains("NetworkManager::isValid(): Error! NetworkManager does not handle vx-step."));

  EXPECT_EQ(nm.startUp(), -1);
  EXPECT_TRUE(env.logContains("NetworkManager::startup(): Warning! NetworkManager already started."));
}

TEST_F(NetworkManagerTest, ListsCloseAndShiftIndices) {
  Recorder *rec = new Recorder;
  EXPECT_FALSE(nm.isConnected(-1));
  EXPECT_EQ(nm.getSocket(0), -1);
  EXPECT_TRUE(
      env.logContains("NetworkManager::getSocket(): Error! No socket at index 0 (min -1, max -1)."));

  Pair a, b, c;
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(a.fd[0]), 0);
  EXPECT_TRUE(nm.isConnected(-1));
  EXPECT_FALSE(nm.isConnected(-2));
  EXPECT_TRUE(env.logContains("NetworkManager::isConnected(): Warning! Sock less than -1."));
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(b.fd[0]), 1);
  EXPECT_EQ(nm.getSocket(5), -1);
  EXPECT_TRUE(
      env.logContains("NetworkManager::getSocket(): Error! No socket at index 5 (min 0, max 2)."));
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(c.fd[0]), 2);
  EXPECT_FALSE(nm.isConnected(3));
  // The seam lists as accept does: none past the cap, none twice, no -1.
  Pair d;
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(d.fd[0]), -1);
  nm.setMaxConnections(4);
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(b.fd[0]), -1);
  EXPECT_EQ(NetworkManagerSeam::adoptSocket(-1), -1);
  EXPECT_EQ(nm.getNumConnections(), 3);
  nm.setMaxConnections(3);

  // Queued messages die with their socket, with a line.
  ASSERT_EQ(nm.setDelay(5, 0), 0);
  ASSERT_EQ(nm.send("queued", 6, 0), 0);
  ASSERT_EQ(nm.send("and this", 8, 0), 0);

  EXPECT_EQ(nm.close(0), 0);
  EXPECT_TRUE(env.logContains(
      "NetworkManager::close(): Warning! Socket 0: delayed messages discarded: 2 (14 bytes)."));
  ASSERT_EQ(rec->seen.size(), 1u);
  EXPECT_EQ(rec->seen[0].label, NetworkEventLabel::CLOSE);
  EXPECT_EQ(rec->seen[0].index, 0);
  EXPECT_EQ(rec->seen[0].bytes, 0);
  EXPECT_FALSE(isOpen(a.fd[0]));
  EXPECT_EQ(nm.getNumConnections(), 2);
  EXPECT_EQ(nm.getSocket(0), b.fd[0]);
  EXPECT_EQ(nm.getSocket(1), c.fd[0]);

  EXPECT_EQ(nm.close(-1), 0);
  ASSERT_EQ(rec->seen.size(), 3u);
  EXPECT_EQ(rec->seen[1].index, 0);
  EXPECT_EQ(rec->seen[2].index, 1);
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_FALSE(isOpen(b.fd[0]));
  EXPECT_FALSE(isOpen(c.fd[0]));

  EXPECT_EQ(nm.close(0), -1);
  EXPECT_TRUE(env.logContains("NetworkManager::close(): Error! No socket at index 0."));
}

TEST_F(NetworkManagerTest, FailedCloseStillTakesClosedSocketsOutOfTheLists) {
  Recorder *rec = new Recorder;
  Pair a, c;
  int bad = 1000000;  // never an open descriptor
  adopt({&a});
  NetworkManagerSeam::adoptSocket(bad);
  adopt({&c});

  EXPECT_EQ(nm.close(-1), -1);
  std::vector<std::string> lines = env.logLines();
  auto it = std::find(lines.begin(), lines.end(), "NetworkManager::close(): Error! close() returned:");
  ASSERT_NE(it, lines.end());
  ASSERT_NE(it + 1, lines.end());
  EXPECT_EQ(*(it + 1), "\t9 - Bad file descriptor");

  // The first two are gone from the lists; the third was not touched.
  EXPECT_FALSE(isOpen(a.fd[0]));
  ASSERT_EQ(nm.getNumConnections(), 1);
  EXPECT_EQ(nm.getSocket(0), c.fd[0]);
  EXPECT_TRUE(isOpen(c.fd[0]));
  ASSERT_EQ(rec->seen.size(), 2u);
  EXPECT_EQ(rec->seen[0].index, 0);
  EXPECT_EQ(rec->seen[1].index, 1);
  EXPECT_EQ(rec->seen[1].label, NetworkEventLabel::CLOSE);
}

TEST_F(NetworkManagerTest, ServerSocketIsOpenedOnceAndAlwaysClosed) {
  int port = nettest::freePort();
  ASSERT_GT(port, 0);
  LogManager::getInstance().setLogLevel(1);
  int before = nettest::openDescriptors();

  EXPECT_EQ(nm.accept(), -2);
  EXPECT_TRUE(env.logContains("NetworkManager::accept(): Error! Not setup as server."));

  for (const char *bad : {"99999", "65536", "abc", "0", "", "-80", "80x", " 80"}) {
    EXPECT_EQ(nm.setServer(true, bad), -1) << bad;
    EXPECT_TRUE(env.logContains(std::string("NetworkManager::setServer(): Error! Port \"") + bad +
                                "\" is not a number from 1 to 65535."))
        << bad;
  }
  EXPECT_FALSE(nm.isServer());
  EXPECT_EQ(nettest::openDescriptors(), before);

  ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  EXPECT_TRUE(nm.isServer());
  EXPECT_TRUE(env.logContains("NetworkManager::setServer(): Ready for connections on port " +
                              std::to_string(port) + "."));
  EXPECT_EQ(nettest::openDescriptors(), before + 1);
  EXPECT_EQ(nm.setServer(true, std::to_string(port)), 0);
  EXPECT_EQ(nettest::openDescriptors(), before + 1);
  EXPECT_EQ(nm.accept(), -1);  // nobody waiting

  ASSERT_EQ(nm.setServer(false), 0);
  EXPECT_FALSE(nm.isServer());
  EXPECT_EQ(nettest::openDescriptors(), before);

  // Port taken by another listener: bind fails and the socket is closed.
  int other = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa;
  memset(&sa, 0, sizeof(sa));
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_ANY);
  sa.sin_port = htons(static_cast<uint16_t>(port));
  ASSERT_EQ(::bind(other, reinterpret_cast<sockaddr *>(&sa), sizeof(sa)), 0);
  ASSERT_EQ(::listen(other, 1), 0);
  EXPECT_EQ(nm.setServer(true, std::to_string(port)), -1);
  EXPECT_FALSE(nm.isServer());
  EXPECT_EQ(nettest::openDescriptors(), before + 1);  // only 'other'
  std::vector<std::string> lines = env.logLines();
  auto it = std::find(lines.begin(), lines.end(), "NetworkManager::setServer(): Error! bind() returned:");
  ASSERT_NE(it, lines.end());
  ASSERT_NE(it + 1, lines.end());
  EXPECT_EQ(*(it + 1), "\t98 - Address already in use");
  ::close(other);

  // Shut-down closes the listening socket.
  ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  EXPECT_EQ(nettest::openDescriptors(), before + 1);
  nm.shutDown();
  EXPECT_FALSE(nm.isServer());
  EXPECT_EQ(nettest::openDescriptors(), before);
}

TEST_F(NetworkManagerTest, FailedConnectLeavesNothingOpen) {
  Recorder *rec = new Recorder;
  int port = nettest::freePort();
  ASSERT_GT(port, 0);
  int before = nettest::openDescriptors();

  EXPECT_EQ(nm.connect("127.0.0.1", std::to_string(port)), -1);
  std::vector<std::string> lines = env.logLines();
  auto it = std::find(lines.begin(), lines.end(), "NetworkManager::connect(): Error! connect() returned:");
  ASSERT_NE(it, lines.end());
  ASSERT_NE(it + 1, lines.end());
  EXPECT_EQ(*(it + 1), "\t111 - Connection refused");

  // The port text follows setServer's rule: a service name, a sign, a blank
  // or a number past 65535 (which would wrap to another port) is refused.
  for (std::string bad : {"112661", "+47125", " 47125", "65536", "0", "", "no-such-service"}) {
    EXPECT_EQ(nm.connect("127.0.0.1", bad), -1) << bad;
    EXPECT_TRUE(env.logContains("NetworkManager::connect(): Error! Port \"" + bad +
                                "\" is not a number from 1 to 65535."))
        << bad;
  }
  EXPECT_EQ(nm.connect("no host", "9876"), -1);
  EXPECT_TRUE(env.logContains("NetworkManager::connect(): Error! getaddrinfo() returned:"));

  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_EQ(nettest::openDescriptors(), before);
  EXPECT_TRUE(rec->seen.empty());
}

TEST(NetworkManagerOff, ServerAndConnectNeedNetworking) {
  test::TestEnv env;
  env.writeConfig("headless:true,\nnetworking:false,\n");
  ASSERT_EQ(env.startEngine(), 0);
  NetworkManager &nm = NetworkManager::getInstance();
  EXPECT_FALSE(nm.isStarted());
  LogManager::getInstance().setLogLevel(1);
  int before = nettest::openDescriptors();
  EXPECT_EQ(nm.setServer(true, std::to_string(nettest::freePort())), -1);
  EXPECT_EQ(nm.connect("127.0.0.1", "9876"), -1);
  EXPECT_FALSE(nm.isServer());
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_EQ(nettest::openDescriptors(), before);
  EXPECT_TRUE(env.logContains("NetworkManager::setServer(): Error! Networking is not enabled in "
                              "the Vexmoor configuration file."));
  EXPECT_TRUE(env.logContains("NetworkManager::connect(): Error! Networking is not enabled in the "
                              "Vexmoor configuration file."));
}

TEST_F(NetworkManagerTest, BadLengthsCloseTheSocket) {
  Recorder *rec = new Recorder;
  selfConnect();
  const int32_t bad[] = {0, 1, 2, 3, -1, -100000, MAX_MESSAGE_SIZE + 1, 0x7fffffff};
  for (int32_t len : bad) {
    SCOPED_TRACE(len);
    rec->seen.clear();
    ASSERT_EQ(nm.getNumConnections(), 2);
    char msg[12] = {};
    memcpy(msg, &len, 4);
    ASSERT_EQ(nm.sendNow(msg, sizeof(msg), 0), 0);
    ASSERT_TRUE(waitFor([&] { return nm.isData(1) == 12; }));
    LogManager::getInstance().setLogLevel(20);
    EXPECT_EQ(genDataEvents(1), -1);
    LogManager::getInstance().setLogLevel(0);
    // The peeked length is reported first, as for any message.
    std::vector<std::string> lines = env.logLines();
    auto it = std::find(lines.begin(), lines.end(),
                        "vx::genDataEvents(): Error! Bad message length " + std::to_string(len) +
                            " (must be 4 to 65536). Closing socket 1.");
    ASSERT_NE(it, lines.end());
    ASSERT_NE(it, lines.begin());
    EXPECT_EQ(*(it - 1), "vx::genDataEvents(): have 12 of " + std::to_string(len) + " bytes.");
    EXPECT_EQ(nm.getNumConnections(), 1);
    ASSERT_EQ(rec->seen.size(), 1u);
    EXPECT_EQ(rec->seen[0].label, NetworkEventLabel::CLOSE);
    EXPECT_EQ(rec->seen[0].index, 1);
    EXPECT_EQ(rec->count(NetworkEventLabel::DATA), 0);
    // Next round: a fresh pair of ends.
    ASSERT_EQ(nm.close(0), 0);
    ASSERT_EQ(nm.setServer(false), 0);
    selfConnect();
  }
}

TEST_F(NetworkManagerTest, ShortAndLimitMessages) {
  Recorder *rec = new Recorder;
  selfConnect();
  LogManager::getInstance().setLogLevel(20);

  // Three bytes: no peek, nothing read.
  ASSERT_EQ(nm.sendNow("\x08\x00\x00", 3, 0), 0);
  ASSERT_TRUE(waitFor([&] { return nm.isData(1) == 3; }));
  EXPECT_EQ(genDataEvents(1), 0);
  EXPECT_FALSE(env.logContains("vx::genDataEvents(): have "));
  EXPECT_EQ(nm.isData(1), 3);
  // The rest of that 8-byte message, then an empty one and one of the largest size.
  std::string rest = std::string("\0", 1) + "abcd";
  std::string empty = nettest::frame("");
  std::string largest = nettest::frame(std::string(MAX_MESSAGE_SIZE - 4, 'z'));
  std::string all = rest + empty + largest;
  ASSERT_EQ(nm.sendNow(all.data(), static_cast<int>(all.size()), 0), 0);
  ASSERT_TRUE(waitFor([&] { return nm.isData(1) == 3 + static_cast<int>(all.size()); }));
  EXPECT_EQ(genDataEvents(1), 1);
  EXPECT_EQ(genDataEvents(1), 1);
  EXPECT_EQ(genDataEvents(1), 1);
  EXPECT_EQ(genDataEvents(1), 0);
  std::vector<nettest::Seen> data;
  for (const nettest::Seen &e : rec->seen)
    if (e.label == NetworkEventLabel::DATA) data.push_back(e);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data[0].bytes, 8);
  EXPECT_EQ(data[0].index, 1);
  EXPECT_EQ(data[0].message, std::string("\x08\0\0\0abcd", 8));
  EXPECT_EQ(data[1].bytes, 4);
  EXPECT_EQ(data[1].message, empty);
  EXPECT_EQ(data[2].bytes, MAX_MESSAGE_SIZE);
  EXPECT_EQ(data[2].message, largest);
  EXPECT_TRUE(env.logContains("vx::genDataEvents(): have full message (65536 bytes)."));
  EXPECT_TRUE(env.logContains("vx::genDataEvents(): sent to 1 objects."));
  EXPECT_EQ(nm.getNumConnections(), 2);
}

namespace {

// Lines of the log that begin with prefix.
std::vector<std::string> linesStarting(const test::TestEnv &env, const std::string &prefix) {
  std::vector<std::string> found;
  for (const std::string &l : env.logLines())
    if (l.rfind(prefix, 0) == 0) found.push_back(l);
  return found;
}

// The bytes a stall line counts: all, held here, in the system's queue.
struct StallCount {
  unsigned long long all = 0, held = 0;
  int queued = -1;
};

StallCount stallCount(const std::string &line) {
  StallCount c;
  size_t at = line.find(": ", line.find(" ms"));
  if (at != std::string::npos)
    sscanf(line.c_str() + at,
           ": %llu unsent bytes discarded (%llu held here, %d in the system's send queue).", &c.all,
           &c.held, &c.queued);
  return c;
}

} // namespace

// A peer that reads nothing: the cap refuses messages and keeps the
// connection, with one line a run of refusals; only MAX_SEND_STALL_MS
// without progress close it, and a socket closed with bytes on their way
// keeps them going under the same rule.
TEST_F(NetworkManagerTest, PeerThatTakesNothingMeetsTheCapThenTheStallRule) {
  Recorder *rec = new Recorder;
  int small = 16 * 1024;
  auto shrink = [&] {
    ::setsockopt(nm.getSocket(0), SOL_SOCKET, SO_RCVBUF, &small, sizeof(small));
    ::setsockopt(nm.getSocket(1), SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));
  };
  selfConnect();
  shrink();
  test::FakeTime fake;
  // Far more than the socket buffers hold: the rest waits, the call returns.
  std::string big = nettest::frame(std::string(1024 * 1024, 'q'));
  EXPECT_EQ(nm.sendNow(big.data(), static_cast<int>(big.size()), 1), 0);
  EXPECT_TRUE(env.logContains("NetworkManager::send(): Warning! Socket 1 is sent a message length "
                              "of 1048580: a peer of this engine reads 4 to 65536 and closes the "
                              "connection."));
  EXPECT_EQ(nm.send("more", 4, 1), 0);

  // Past the cap: refused, at once for a delayed one, and the connection
  // stays. One line for the run, its count once a message fits again.
  std::string huge(MAX_PENDING_OUTPUT + 1, 'h');
  EXPECT_EQ(nm.send(huge.data(), MAX_PENDING_OUTPUT, 1), -1);
  ASSERT_EQ(nm.setDelay(3, 1), 0);
  EXPECT_EQ(nm.send(huge.data(), MAX_PENDING_OUTPUT + 1, 1), -1);
  ASSERT_EQ(nm.setDelay(0, 1), 0);
  const std::string refused = "NetworkManager::send(): Error! Socket 1 has ";
  std::vector<std::string> lines = linesStarting(env, refused);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" bytes waiting to go out (a delayed message counts 64 more); 4194304 "
                          "more would pass 4194304. Message refused (more refusals are counted "
                          "until one fits)."),
            std::string::npos);
  EXPECT_EQ(nm.send("more", 4, 1), 0);
  EXPECT_TRUE(env.logContains(
      "NetworkManager::send(): Socket 1: messages refused before this one fitted: 2."));
  EXPECT_EQ(nm.send(huge.data(), MAX_PENDING_OUTPUT, 1), -1);
  EXPECT_EQ(linesStarting(env, refused).size(), 2u);
  EXPECT_EQ(nm.getNumConnections(), 2);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 0);

  fake.advanceMillis(MAX_SEND_STALL_MS - 1);
  EXPECT_EQ(nm.sendDelayed(), 0);
  EXPECT_EQ(nm.getNumConnections(), 2);
  fake.advanceMillis(1);
  EXPECT_EQ(nm.sendDelayed(), -1);
  EXPECT_EQ(nm.getNumConnections(), 1);
  ASSERT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_EQ(rec->seen.back().index, 1);
  lines = linesStarting(
      env, "NetworkManager::send(): Error! Socket 1: its peer acknowledged no bytes for " +
               std::to_string(MAX_SEND_STALL_MS) + " ms. Closing it: ");
  ASSERT_EQ(lines.size(), 1u);
  StallCount lost = stallCount(lines[0]);
  EXPECT_GT(lost.held, 0u);
  EXPECT_GT(lost.queued, 0);
  EXPECT_EQ(lost.all, lost.held + static_cast<unsigned long long>(lost.queued));
  EXPECT_TRUE(env.logContains(
      "NetworkManager::close(): Socket 1: messages refused since the last one that fitted: 1."));
  EXPECT_FALSE(nm.isDraining());

  // Closed with bytes waiting: the socket leaves the lists at once, its
  // bytes stay until MAX_SEND_STALL_MS pass without progress.
  fake.uninstall();
  ASSERT_EQ(nm.close(0), 0);
  ASSERT_EQ(nm.setServer(false), 0);
  selfConnect();
  shrink();
  fake.install();
  int fd = nm.getSocket(1);
  EXPECT_EQ(nm.sendNow(big.data(), static_cast<int>(big.size()), 1), 0);
  rec->seen.clear();
  EXPECT_EQ(nm.close(1), 0);
  ASSERT_EQ(rec->seen.size(), 1u);
  EXPECT_EQ(rec->seen[0].label, NetworkEventLabel::CLOSE);
  EXPECT_EQ(rec->seen[0].index, 1);
  EXPECT_EQ(nm.getNumConnections(), 1);
  EXPECT_TRUE(nm.isDraining());
  EXPECT_TRUE(isOpen(fd));
  fake.advanceMillis(MAX_SEND_STALL_MS - 1);
  nm.sendDelayed();
  EXPECT_TRUE(nm.isDraining());
  fake.advanceMillis(1);
  nm.sendDelayed();
  EXPECT_FALSE(nm.isDraining());
  EXPECT_FALSE(isOpen(fd));
  lines = linesStarting(env, "NetworkManager::sendDelayed(): Error! Closed socket (m_sock[] was " +
                                 std::to_string(fd) +
                                 "): its peer acknowledged no bytes for " +
                                 std::to_string(MAX_SEND_STALL_MS) + " ms: ");
  ASSERT_EQ(lines.size(), 1u);
  lost = stallCount(lines[0]);
  EXPECT_GT(lost.held, 0u);
  EXPECT_EQ(lost.all, lost.held + static_cast<unsigned long long>(lost.queued));
}

// Messages waiting for their step count toward the cap at their bytes and
// their bookkeeping: send refuses the one that would pass it, delayed or
// not, with one line for the run. Sent at their step they end no run: only
// a message that fits again does. Tiny and empty ones are refused alike
// once what they hold reaches the cap.
TEST_F(NetworkManagerTest, DelayedMessagesCountTowardTheCap) {
  Pair a;
  adopt({&a});
  GameManagerSeam::setStepCount(50);
  ASSERT_EQ(nm.setDelay(1, 0), 0);
  std::string m = nettest::frame(std::string(MAX_MESSAGE_SIZE - 4, 'd'));
  const int cost = MAX_MESSAGE_SIZE + DELAYED_MESSAGE_OVERHEAD;
  int taken = 0;
  for (int k = 0; k < 256; k++) taken += nm.send(m.data(), MAX_MESSAGE_SIZE, 0) == 0;
  EXPECT_EQ(taken, MAX_PENDING_OUTPUT / cost);
  ASSERT_EQ(nm.setDelay(0, 0), 0);
  EXPECT_EQ(nm.send(m.data(), MAX_MESSAGE_SIZE, 0), -1);
  EXPECT_EQ(waiting(a.fd[1]), 0);
  EXPECT_EQ(linesStarting(env, "NetworkManager::send(): Error! Socket 0 has "),
            std::vector<std::string>{
                "NetworkManager::send(): Error! Socket 0 has " + std::to_string(taken * cost) +
                " bytes waiting to go out (a delayed message counts 64 more); 65600 more would "
                "pass 4194304. Message refused (more refusals are counted until one fits)."});

  GameManagerSeam::setStepCount(51);
  EXPECT_EQ(nm.sendDelayed(), 0);
  size_t got = 0;
  std::vector<char> buf(1 << 20);
  for (int k = 0; k < 100000 && got < size_t(taken) * MAX_MESSAGE_SIZE; k++) {
    ssize_t n = ::recv(a.fd[1], buf.data(), buf.size(), MSG_DONTWAIT);
    if (n > 0) got += size_t(n);
    nm.sendDelayed();
  }
  EXPECT_EQ(got, size_t(taken) * MAX_MESSAGE_SIZE);
  EXPECT_FALSE(env.logContains("fitted"));
  EXPECT_EQ(nm.send("x", 1, 0), 0);
  EXPECT_EQ(linesStarting(env, "NetworkManager::send(): Socket 0: messages refused"),
            std::vector<std::string>{"NetworkManager::send(): Socket 0: messages refused before "
                                     "this one fitted: " +
                                     std::to_string(256 - taken + 1) + "."});

  ASSERT_EQ(nm.setDelay(100000, 0), 0);
  std::string tiny = nettest::frame("");
  int tiny_taken = 0;
  for (int k = 0; k < 100000; k++) tiny_taken += nm.send(tiny.data(), 4, 0) == 0;
  EXPECT_EQ(tiny_taken, MAX_PENDING_OUTPUT / (4 + DELAYED_MESSAGE_OVERHEAD));
  // 64 bytes were left: one empty message, then none.
  EXPECT_EQ(nm.send(nullptr, 0, 0), 0);
  EXPECT_EQ(nm.send(nullptr, 0, 0), -1);
}

TEST_F(NetworkManagerTest, BadArgumentsAreRefused) {
  Pair a;
  adopt({&a});
  char buf[8];
  EXPECT_EQ(nm.receive(buf, 8, false, -1), -1);
  EXPECT_TRUE(env.logContains(
      "NetworkManager::receive(): Error! Socket -1 not connected. Unable to receive."));
  EXPECT_EQ(nm.sendNow(buf, 8, -1), -1);
  EXPECT_TRUE(env.logContains("NetworkManager::send(): Error! Socket -1 not connected. Unable to send."));
  EXPECT_EQ(nm.isData(-1), -1);
  EXPECT_EQ(genDataEvents(-1), 0);
  EXPECT_EQ(nm.sendNow(buf, 8, 1), -1);
  EXPECT_TRUE(env.logContains("NetworkManager::send(): Error! Socket 1 not connected. Unable to send."));
  // A zero-byte read is not taken for the peer closing.
  EXPECT_EQ(nm.receive(buf, 0, false, 0), -1);
  EXPECT_EQ(nm.send(buf, -3, 0), -1);
  EXPECT_EQ(nm.getNumConnections(), 1);
  EXPECT_EQ(nm.setDelay(2, 4), -1);
  EXPECT_EQ(nm.setDelay(2, -1), 0);
}

TEST_F(NetworkManagerTest, PeerClosingGivesOneCloseEvent) {
  Recorder *rec = new Recorder;
  Pair a, b;
  adopt({&a, &b});
  a.hangUp();
  char buf[4];
  EXPECT_EQ(nm.receive(buf, 4, false, 0), 0);
  EXPECT_EQ(nm.getNumConnections(), 1);
  EXPECT_EQ(nm.getSocket(0), b.fd[0]);
  ASSERT_EQ(rec->seen.size(), 1u);
  EXPECT_EQ(rec->seen[0].label, NetworkEventLabel::CLOSE);
  EXPECT_EQ(rec->seen[0].index, 0);
}

TEST_F(NetworkManagerTest, SendToAllServesTheSocketThatMovesDown) {
  Recorder *rec = new Recorder;
  Pair dead, b, c;
  adopt({&dead, &b, &c});
  dead.hangUp();
  LogManager::getInstance().setLogLevel(1);

  EXPECT_EQ(nm.send("hello", 5, -1), -1);
  EXPECT_EQ(readSome(b.fd[1]), "hello");
  EXPECT_EQ(readSome(c.fd[1]), "hello");
  EXPECT_EQ(nm.getNumConnections(), 2);
  ASSERT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  std::vector<std::string> lines = env.logLines();
  auto it = std::find(lines.begin(), lines.end(), "NetworkManager::send(): Error! Return is -1.");
  ASSERT_NE(it, lines.end());
  ASSERT_GE(lines.end() - it, 3);
  EXPECT_EQ(*(it + 1), "\t32 - Broken pipe");
  EXPECT_EQ(*(it + 2), "\tsocket is closed");

  // Delay 0 on one, 2 on the other: one sent now, one queued.
  ASSERT_EQ(nm.setDelay(2, 1), 0);
  EXPECT_EQ(nm.send("abc", 3, -1), 0);
  EXPECT_EQ(readSome(b.fd[1]), "abc");
  EXPECT_EQ(waiting(c.fd[1]), 0);
}

namespace {

// Runs the game loop until a handler sets game over (at most 200 steps).
void runSteps(Recorder *rec, const std::function<void(int)> &body) {
  rec->on_step = [body](int step) {
    body(step);
    if (step >= 200) GameManager::getInstance().setGameOver();
  };
  GameManager::getInstance().run();
}

} // namespace

TEST_F(NetworkManagerTest, DelayedSendsLeaveOnTheirStepInQueueOrder) {
  test::FakeTime fake;
  Recorder *rec = new Recorder(true);
  Pair a, b;
  adopt({&a, &b});
  std::vector<int> arrived_a, arrived_b;  // steps whose handler first saw data
  std::string got_a, got_b;

  runSteps(rec, [&](int step) {
    std::string sa = readSome(a.fd[1]);
    std::string sb = readSome(b.fd[1]);
    if (!sa.empty()) arrived_a.push_back(step), got_a += sa;
    if (!sb.empty()) arrived_b.push_back(step), got_b += sb;
    if (step == 10) {
      EXPECT_EQ(nm.setDelay(3, 0), 0);
      EXPECT_EQ(nm.send("three", 5, 0), 0);
      EXPECT_EQ(nm.setDelay(5, 1), 0);
      EXPECT_EQ(nm.send("first|", 6, 1), 0);
    }
    if (step == 11) {
      EXPECT_EQ(nm.setDelay(1, 1), 0);
      EXPECT_EQ(nm.send("second", 6, 1), 0);
    }
    if (step == 12) {
      // The largest delay waits; it does not wrap to an early step.
      EXPECT_EQ(nm.setDelay(INT_MAX, 0), 0);
      EXPECT_EQ(nm.send("never", 5, 0), 0);
    }
    if (step == 20) GameManager::getInstance().setGameOver();
  });

  // The loop sends after the step's handlers: what it sent in step n is
  // seen by the handler of step n + 1.
  ASSERT_EQ(arrived_a.size(), 1u);
  EXPECT_EQ(arrived_a[0], 14);
  EXPECT_EQ(got_a, "three");
  ASSERT_EQ(arrived_b.size(), 1u);
  EXPECT_EQ(arrived_b[0], 16);
  EXPECT_EQ(got_b, "first|second");
}

TEST_F(NetworkManagerTest, SendDelayedServesTheSocketThatMovesDown) {
  test::FakeTime fake;
  Recorder *rec = new Recorder(true);
  Pair dead, b;
  adopt({&dead, &b});
  dead.hangUp();
  std::string got;
  int arrived = -1;

  runSteps(rec, [&](int step) {
    std::string s = readSome(b.fd[1]);
    if (!s.empty() && arrived < 0) arrived = step;
    got += s;
    if (step == 0) {
      EXPECT_EQ(nm.setDelay(1, -1), 0);
      EXPECT_EQ(nm.send("late", 4, -1), 0);
      EXPECT_EQ(nm.send("r", 1, -1), 0);
    }
    if (step == 4) GameManager::getInstance().setGameOver();
  });
  EXPECT_EQ(arrived, 2);
  EXPECT_EQ(got, "later");
  EXPECT_EQ(nm.getNumConnections(), 1);
  EXPECT_EQ(nm.getSocket(0), b.fd[0]);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
}

// The send cap and the closed-socket bound against a plain model, over
// random sockets adopted (their system queue full, 64 bytes held), runs of
// delayed sends of every size (empty and tiny ones included) under a low
// cap, limits raised and lowered, and sockets closed one at a time or all
// at once: what each send gives, and which closed sockets are kept
// (oldest given up first, the one just closed always kept).
TEST_F(NetworkManagerTest, SendCapAndClosedSocketsFollowAModel) {
  const int cap = 16 * 1024;
  const int sizes[] = {0, 4, 60, 1000, 4000};
  std::mt19937 rng(35);
  std::vector<std::unique_ptr<Pair>> pairs;
  std::vector<uint64_t> held;  // per socket index: what counts toward the cap
  std::deque<int> kept;        // closed sockets still open, oldest first
  int limit = 3, peak = 0;
  for (int op = 0; op < 1500; op++) {
    int n = nm.getNumConnections(), what = int(rng() % 8);
    if (what == 0) {
      nm.setMaxConnections(limit = int(rng() % 8));
    } else if (what < 3 && n < limit) {
      pairs.push_back(std::make_unique<Pair>());
      int fd = pairs.back()->fd[0];
      ::fcntl(fd, F_SETFL, O_NONBLOCK);
      std::string fill(65536, 'f');
      while (::send(fd, fill.data(), fill.size(), MSG_NOSIGNAL) > 0) {
      }
      ASSERT_EQ(NetworkManagerSeam::adoptSocket(fd), n);
      ASSERT_EQ(nm.send(fill.data(), 64, n), 0);
      ASSERT_EQ(nm.setDelay(1000, n), 0);
      held.push_back(64);
      peak = std::max(peak, n + 1);
    } else if (what < 7 && n > 0) {
      int i = int(rng() % n), bytes = sizes[rng() % 5];
      bool fits = held[i] + bytes + DELAYED_MESSAGE_OVERHEAD <= uint64_t(cap);
      NetworkManagerSeam::setMaxPendingOutput(cap);
      EXPECT_EQ(nm.send(std::string(bytes, 's').data(), bytes, i), fits ? 0 : -1) << op;
      NetworkManagerSeam::setMaxPendingOutput(MAX_PENDING_OUTPUT);
      if (fits) held[i] += bytes + DELAYED_MESSAGE_OVERHEAD;
    } else if (n > 0) {
      int i = rng() % 3 == 0 ? -1 : int(rng() % n);
      size_t bound = size_t(std::max({limit, peak, MIN_CLOSED_SOCKETS}));
      std::vector<int> gone;
      for (int k = i == -1 ? 0 : i; k < (i == -1 ? n : i + 1); k++) {
        for (; kept.size() >= bound; kept.pop_front()) gone.push_back(kept.front());
        kept.push_back(nm.getSocket(k));
      }
      ASSERT_EQ(nm.close(i), 0);
      held.erase(held.begin() + (i == -1 ? 0 : i), i == -1 ? held.end() : held.begin() + i + 1);
      for (int fd : gone) EXPECT_FALSE(isOpen(fd)) << op;
      for (int fd : kept) EXPECT_TRUE(isOpen(fd)) << op;
    }
  }
  // Their peers leave: every closed socket is let go.
  pairs.clear();
  nm.sendDelayed();
  EXPECT_FALSE(nm.isDraining());
}
