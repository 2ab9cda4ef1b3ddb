// Two engines in two processes over 127.0.0.1: a server here and a client in
// a forked child, each with its own log and managers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "NetTest.h"
#include "network/NetworkManager.h"
#include "support/TestEnv.h"

using namespace vx;
using nettest::Child;
using nettest::Recorder;
using nettest::waitFor;

namespace {

// Child side: its own log, then the engine. Returns 0 when started.
int startClientEngine(const std::string &log_path) {
  setenv("VEXMOOR_LOG", log_path.c_str(), 1);
  return GameManager::getInstance().startUp();
}

int fail(int code, const char *what) {
  LogManager::getInstance().writeLog("CLIENT FAILED: %s", what);
  GameManager::getInstance().shutDown();
  return code;
}

// Connects to the server, retrying while it is not yet listening.
int connectTo(int port) {
  int index = -1;
  waitFor([&] { return (index = NetworkManager::getInstance().connect("127.0.0.1",
                                                                      std::to_string(port))) >= 0; },
          5000);
  return index;
}

// Waits for one DATA event on sock_index; its payload, or "" on timeout.
std::string nextPayload(Recorder *rec, int sock_index, int timeout_ms = 5000) {
  size_t before = rec->seen.size();
  bool ok = waitFor([&] { return genDataEvents(sock_index) == 1 || rec->seen.size() > before; },
                    timeout_ms);
  if (!ok) return "";
  for (size_t i = before; i < rec->seen.size(); i++)
    if (rec->seen[i].label == NetworkEventLabel::DATA) return rec->seen[i].message.substr(4);
  return "";
}

bool sendFrame(int sock_index, const std::string &payload) {
  std::string f = nettest::frame(payload);
  return NetworkManager::getInstance().send(f.data(), static_cast<int>(f.size()), sock_index) == 0;
}

} // namespace

// A server engine here and a client engine in a forked child, each with its
// own log, on a free port of 127.0.0.1.
class NetworkTwoEngines : public ::testing::Test {
 protected:
  test::TestEnv env;
  int port = nettest::freePort();
  std::string client_log = env.path("client.log");
  NetworkManager &nm = NetworkManager::getInstance();

  void SetUp() override {
    env.writeConfig(nettest::NET_CONFIG);
    ASSERT_GT(port, 0);
  }

  // Child side: the client engine, connected to the server as socket 0 with
  // a recorder of its network events, then body. The exit code is body's
  // result (0 passed), or where the start failed.
  int runClient(const std::function<int(Recorder *)> &body) {
    if (startClientEngine(client_log) != 0) return 10;
    Recorder *rec = new Recorder;
    if (connectTo(port) != 0) return fail(11, "connect");
    int rc = body(rec);
    if (rc == 0) GameManager::getInstance().shutDown();
    return rc;
  }

  // Server side, once the client runs: the engine, listening on the port.
  void startServer(const Child &client) {
    ASSERT_TRUE(client.started());
    ASSERT_EQ(env.startEngine(), 0);
    ASSERT_EQ(nm.setServer(true, std::to_string(port)), 0);
  }

  void expectClientPassed(Child &client) {
    int rc = client.wait();
    EXPECT_EQ(rc, 0);
    if (rc == 0) return;
    for (const std::string &l : test::TestEnv::readLines(client_log))
      fprintf(stderr, "client| %s\n", l.c_str());
  }
};

TEST_F(NetworkTwoEngines, ConnectFrameAndClose) {
  Child client([&]() -> int {
    return runClient([&](Recorder *rec) -> int {
      if (rec->seen.size() != 1 || rec->seen[0].label != NetworkEventLabel::CONNECT ||
          rec->seen[0].index != 0 || rec->seen[0].bytes != 0)
        return fail(12, "connect event");
      // A 10-byte message, 7 bytes of it for now.
      std::string ten = nettest::frame("abcdef");
      if (nm.sendNow(ten.data(), 7, 0) != 0) return fail(13, "send 7");
      if (nextPayload(rec, 0) != "go") return fail(14, "go");
      // Its last 3 bytes and two more whole messages, all at once.
      std::string rest = ten.substr(7) + nettest::frame("ABCD") + nettest::frame("xy");
      if (nm.sendNow(rest.data(), static_cast<int>(rest.size()), 0) != 0) return fail(15, "send rest");
      if (nextPayload(rec, 0) != "bye") return fail(16, "bye");
      if (nm.close(0) != 0 || nm.getNumConnections() != 0) return fail(17, "close");
      return rec->count(NetworkEventLabel::CLOSE) == 1 ? 0 : fail(18, "close event");
    });
  });
  ASSERT_NO_FATAL_FAILURE(startServer(client));
  Recorder *rec = new Recorder;
  int index = -1;
  ASSERT_TRUE(waitFor([&] { return (index = nm.accept()) >= 0; }));
  EXPECT_EQ(index, 0);
  ASSERT_EQ(rec->seen.size(), 1u);
  EXPECT_EQ(rec->seen[0].label, NetworkEventLabel::ACCEPT);
  EXPECT_EQ(rec->seen[0].index, 0);
  EXPECT_EQ(rec->seen[0].bytes, 0);

  // 7 of 10 bytes: nothing delivered, nothing consumed.
  ASSERT_TRUE(waitFor([&] { return nm.isData(0) == 7; }));
  EXPECT_EQ(genDataEvents(0), 0);
  EXPECT_EQ(nm.isData(0), 7);
  EXPECT_EQ(rec->count(NetworkEventLabel::DATA), 0);
  ASSERT_TRUE(sendFrame(0, "go"));

  // 10 + 8 + 6 bytes waiting: one message per call.
  ASSERT_TRUE(waitFor([&] { return nm.isData(0) == 24; }));
  EXPECT_EQ(genDataEvents(0), 1);
  EXPECT_EQ(nm.isData(0), 14);
  ASSERT_EQ(rec->count(NetworkEventLabel::DATA), 1);
  const nettest::Seen &first = rec->seen.back();
  EXPECT_EQ(first.index, 0);
  EXPECT_EQ(first.bytes, 10);
  EXPECT_EQ(nettest::lengthOf(first.message), 10);
  EXPECT_EQ(first.message.substr(4), "abcdef");
  EXPECT_EQ(genDataEvents(0), 1);
  EXPECT_EQ(rec->seen.back().message.substr(4), "ABCD");
  EXPECT_EQ(genDataEvents(0), 1);
  EXPECT_EQ(rec->seen.back().message.substr(4), "xy");
  EXPECT_EQ(rec->seen.back().bytes, 6);
  EXPECT_EQ(genDataEvents(0), 0);
  EXPECT_EQ(rec->count(NetworkEventLabel::DATA), 3);

  // The client closes: the next read sees it, one CLOSE event, lists shrink.
  ASSERT_TRUE(sendFrame(0, "bye"));
  char c;
  int r = -1;
  ASSERT_TRUE(waitFor([&] { return (r = nm.receive(&c, 1, true, 0)) == 0; }));
  EXPECT_EQ(nm.getNumConnections(), 0);
  EXPECT_EQ(rec->count(NetworkEventLabel::CLOSE), 1);
  EXPECT_EQ(rec->seen.back().label, NetworkEventLabel::CLOSE);
  EXPECT_EQ(rec->seen.back().index, 0);
  expectClientPassed(client);
}

TEST_F(NetworkTwoEngines, FourthClientWaitsAtTheDefaultMaximum) {
  Child client([&]() -> int {
    return runClient([&](Recorder *rec) -> int {
      for (int i = 1; i < 4; i++)
        if (nm.connect("127.0.0.1", std::to_string(port)) != i) return fail(12, "connect 1..3");
      if (rec->count(NetworkEventLabel::CONNECT) != 4) return fail(13, "connect events");
      if (!sendFrame(0, "four")) return fail(14, "send");
      return nextPayload(rec, 0, 10000) == "done" ? 0 : fail(15, "done");
    });
  });
  ASSERT_NO_FATAL_FAILURE(startServer(client));
  EXPECT_EQ(nm.getMaxConnections(), 3);
  // The maximum outlives the engine: put it back however the test ends.
  struct RestoreMax {
    int max = NetworkManager::getInstance().getMaxConnections();
    ~RestoreMax() { NetworkManager::getInstance().setMaxConnections(max); }
  } restore_max;
  Recorder *rec = new Recorder(true);
  ASSERT_TRUE(waitFor([&] {
    nm.accept();
    return nm.getNumConnections() == 3;
  }));
  // Every client has connected once the first one says so.
  EXPECT_EQ(nextPayload(rec, 0), "four");

  LogManager::getInstance().setLogLevel(20);
  {
    test::FakeTime fake;
    rec->on_step = [](int step) {
      if (step == 4) GameManager::getInstance().setGameOver();
    };
    GameManager::getInstance().run();  // steps 0..4, each calls accept
    rec->on_step = nullptr;
  }
  LogManager::getInstance().setLogLevel(0);
  EXPECT_EQ(nm.getNumConnections(), 3);
  EXPECT_EQ(rec->count(NetworkEventLabel::ACCEPT), 3);
  std::vector<std::string> lines = env.logLines();
  int at_max = 0;
  for (size_t i = 0; i + 1 < lines.size(); i++)
    if (lines[i] == "NetworkManager::accept(): Won't check for new connetions since at max." &&
        lines[i + 1] == "\tUse NM.setMaxConnections() to change max.")
      at_max++;
  EXPECT_EQ(at_max, 5);

  // The fourth was waiting all along.
  nm.setMaxConnections(4);
  int index = -1;
  ASSERT_TRUE(waitFor([&] { return (index = nm.accept()) >= 0; }));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(rec->count(NetworkEventLabel::ACCEPT), 4);

  ASSERT_TRUE(sendFrame(0, "done"));
  expectClientPassed(client);
}

TEST_F(NetworkTwoEngines, CleanUpShutsDownAndExitsWithTheSignal) {
  Child child([&]() -> int {
    if (startClientEngine(client_log) != 0) return 10;
    LogManager::getInstance().setLogLevel(5);
    NetworkManager::getInstance().cleanUp(7);
  });
  ASSERT_TRUE(child.started());
  EXPECT_EQ(child.wait(), 7);
  std::vector<std::string> lines;
  for (const std::string &l : test::TestEnv::readLines(client_log))
    lines.push_back(test::stripLogPrefix(l));
  std::vector<std::string> want = {
      "NetworkManager cleanUp(): Signal is 7. Shutting down.",
      "NetworkManager::shutDown(): successfully stopped.",
      "NetworkManager cleanUp(): Calling game manager shutdown.",
      "** Game engine stopped **",
  };
  size_t at = 0;
  for (const std::string &l : lines)
    if (at < want.size() && l == want[at]) at++;
  EXPECT_EQ(at, want.size()) << "missing: " << (at < want.size() ? want[at] : "");
}
