// The longest single game step spent sending to a peer that never reads.
// Each step sends one 64 KiB message and then the step's due sends, as the
// game loop would, until the socket is closed or the step limit is reached.
// The peer is a plain socket: on the server side a client that connects and
// never reads; on the client side a server that accepts, never reads and
// gives up after 3 s.
//
// And the cost of send itself: small messages, at once or a step later, to a
// plain reader that takes everything as fast as it can; and of collecting
// small messages with genDataEvents.
//
// And the longest step of three loads from plain peers with default
// buffers: a burst of messages sent at once and collected one a step, and a
// reader that takes 10 KB/s, or nothing, while every step sends, at once or
// with a send delay (then with the process's memory growth too).
//
// And what closing keeps: a client of 5 connections (past the default
// limit of 3) closes them, or shuts down, with 1 MB on each on its way to
// readers of 3 MB/s; many tiny delayed sends against the cap; a storm of
// clients that never read, each sent 8 MiB and closed; and the accept
// lines at the descriptor limit.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "loop/GameManager.h"
#include "network/NetTest.h"
#include "network/NetworkManager.h"
#include "platform/Platform.h"
#include "support/GameManagerSeam.h"
#include "support/TestEnv.h"
#include "world/WorldManager.h"

using namespace vx;

namespace {

test::TestEnv *g_p_env = nullptr;

const int MESSAGE_BYTES = 64 * 1024;
const int MAX_STEPS = 2000;
const int64_t MAX_RUN_US = 20 * 1000000;
const int PEER_GIVES_UP_MS = 3000;

// Steps of send + sendDelayed on socket 0; the longest step in ms. Also
// counts the bytes send took before its first refusal.
double sendSteps(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  std::vector<char> message(MESSAGE_BYTES, 'm');
  int32_t len = MESSAGE_BYTES;
  memcpy(message.data(), &len, 4);
  int64_t longest = 0;
  int steps = 0;
  int64_t taken = 0;
  bool refused = false;
  int64_t start = platform::nowMicros();
  while (nm.getNumConnections() > 0 && steps < MAX_STEPS &&
         platform::nowMicros() - start < MAX_RUN_US) {
    int64_t t0 = platform::nowMicros();
    if (nm.send(message.data(), MESSAGE_BYTES, 0) == 0 && !refused)
      taken += MESSAGE_BYTES;
    else
      refused = true;
    if (nm.isConnected(-1)) nm.sendDelayed();
    int64_t dt = platform::nowMicros() - t0;
    if (dt > longest) longest = dt;
    steps++;
  }
  state.counters["steps"] = steps;
  state.counters["dropped"] = nm.getNumConnections() == 0 ? 1 : 0;
  state.counters["taken_before_refusal_MB"] = double(taken) / 1e6;
  return double(longest) / 1000.0;
}

// The engine as server on a free port, with a plain peer socket connected
// and accepted. The peer's socket, or -1 with the error set on state.
int servePlainPeer(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  int port = nettest::freePort();
  if (nm.setServer(true, std::to_string(port)) != 0) {
    state.SkipWithError("setServer");
    return -1;
  }
  int peer = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = nettest::loopback(port);
  if (::connect(peer, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0) {
    state.SkipWithError("peer connect");
    ::close(peer);
    return -1;
  }
  int64_t end = platform::nowMicros() + 5000000;
  while (nm.accept() < 0 && platform::nowMicros() < end) ::usleep(1000);
  return peer;
}

// Closes the engine's side of a served plain peer, then the peer and the
// thread that reads or writes it.
void endPlainPeer(int peer, std::thread *p_thread) {
  NetworkManager &nm = NetworkManager::getInstance();
  nm.close(-1);
  ::shutdown(peer, SHUT_RDWR);
  p_thread->join();
  ::close(peer);
  nm.setServer(false);
}

void BM_LongestStepServerSide(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  double longest_ms = 0;
  for (auto _ : state) {
    int peer = servePlainPeer(state);
    if (peer < 0) return;
    longest_ms = sendSteps(state);
    nm.close(-1);
    ::close(peer);
    nm.setServer(false);
  }
  state.counters["longest_step_ms"] = longest_ms;
}

void BM_LongestStepClientSide(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  double longest_ms = 0;
  for (auto _ : state) {
    int port = nettest::freePort();
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = nettest::loopback(port);
    int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (::bind(listener, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 ||
        ::listen(listener, 1) != 0) {
      state.SkipWithError("peer listen");
      return;
    }
    std::thread peer([listener] {
      int s = ::accept(listener, nullptr, nullptr);
      ::usleep(PEER_GIVES_UP_MS * 1000);
      if (s >= 0) ::close(s);
    });
    if (nm.connect("127.0.0.1", std::to_string(port)) != 0) {
      state.SkipWithError("connect");
      peer.join();
      ::close(listener);
      return;
    }
    longest_ms = sendSteps(state);
    nm.close(-1);
    peer.join();
    ::close(listener);
  }
  state.counters["longest_step_ms"] = longest_ms;
}

// Steps of 1000 sends of a 64-byte message and the step's due sends, to a
// reader thread on a plain socket. The argument is the send delay in steps.
void BM_SendSmallMessages(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  int peer = servePlainPeer(state);
  if (peer < 0) return;
  nm.setDelay(static_cast<int>(state.range(0)), 0);
  int step = 0;
  std::atomic<bool> stop(false);
  std::thread reader([peer, &stop] {
    std::vector<char> buf(1 << 20);
    while (!stop.load()) {
      if (::recv(peer, buf.data(), buf.size(), 0) <= 0) return;
    }
  });
  std::string message = nettest::frame(std::string(60, 'x'));
  const int per_step = 1000;
  int refused = 0;
  for (auto _ : state) {
    for (int k = 0; k < per_step; k++)
      refused += nm.send(message.data(), static_cast<int>(message.size()), 0) != 0;
    GameManagerSeam::setStepCount(++step);
    nm.sendDelayed();
  }
  state.SetItemsProcessed(state.iterations() * per_step);
  state.counters["refused"] = refused;
  stop = true;
  endPlainPeer(peer, &reader);
}

// Steps that collect 1000 messages of 64 bytes with genDataEvents from a
// writer thread on a plain socket. The writer sends one step's messages at
// a time: a part of a message left waiting behind a closed receive window
// would never be completed.
void BM_ReceiveSmallMessages(benchmark::State &state) {
  int peer = servePlainPeer(state);
  if (peer < 0) return;
  const int per_step = 1000;
  std::string batch;
  for (int k = 0; k < per_step; k++) batch += nettest::frame(std::string(60, 'x'));
  std::atomic<bool> stop(false);
  std::atomic<int64_t> wanted(0);
  std::thread writer([peer, &stop, &wanted, &batch] {
    for (int64_t written = 0; !stop.load();) {
      if (written == wanted.load()) {
        std::this_thread::yield();
        continue;
      }
      if (!nettest::writeAll(peer, batch)) return;
      written++;
    }
  });
  int64_t idle = 0;
  for (auto _ : state) {
    wanted++;
    for (int got = 0; got < per_step;) {
      int r = genDataEvents(0);
      if (r < 0) {
        state.SkipWithError("genDataEvents");
        break;
      }
      got += r;
      idle += r == 0;
    }
  }
  state.SetItemsProcessed(state.iterations() * per_step);
  state.counters["idle_calls"] = static_cast<double>(idle);
  stop = true;
  endPlainPeer(peer, &writer);
}

// A plain peer thread sends count messages of size bytes at once (default
// buffers); each step collects one with genDataEvents and runs the due
// sends. Stops when all came or nothing came for 2 s (a wedge).
void BM_BurstCollectedStepByStep(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  const int32_t size = static_cast<int32_t>(state.range(0));
  const int count = static_cast<int>(state.range(1));
  double longest_ms = 0;
  int delivered = 0;
  int in_order = 1;
  for (auto _ : state) {
    int peer = servePlainPeer(state);
    if (peer < 0) return;
    std::thread writer([peer, size, count] {
      std::string all;
      for (int seq = 0; seq < count; seq++) all += nettest::seqMessage(seq, size);
      nettest::writeAll(peer, all);
    });
    nettest::Recorder *rec = new nettest::Recorder;
    int64_t longest = 0;
    int64_t last_progress = platform::nowMicros();
    delivered = 0;
    while (delivered < count && platform::nowMicros() - last_progress < 2000000) {
      int64_t t0 = platform::nowMicros();
      int r = genDataEvents(0);
      if (nm.isConnected(-1)) nm.sendDelayed();
      int64_t dt = platform::nowMicros() - t0;
      if (dt > longest) longest = dt;
      if (r < 0) break;
      if (r == 1) {
        const nettest::Seen &m = rec->seen.back();
        if (m.bytes != size || !nettest::seqBodyOk(m.message.data() + 4, delivered, size))
          in_order = 0;
        delivered++;
        last_progress = platform::nowMicros();
      }
    }
    longest_ms = double(longest) / 1000.0;
    endPlainPeer(peer, &writer);
    WorldManager::getInstance().markForDelete(rec);
    WorldManager::getInstance().update();
  }
  state.counters["longest_step_ms"] = longest_ms;
  state.counters["delivered"] = delivered;
  state.counters["in_order"] = in_order;
}

// Resident memory of this process in bytes (0 when unknown).
int64_t residentBytes() {
  FILE *p_f = fopen("/proc/self/statm", "r");
  if (!p_f) return 0;
  long size = 0, resident = 0;
  if (fscanf(p_f, "%ld %ld", &size, &resident) != 2) resident = 0;
  fclose(p_f);
  return int64_t(resident) * sysconf(_SC_PAGESIZE);
}

// Every 5 ms a step sends one message of the third argument's bytes with a
// send delay of the second argument's steps, and runs the due sends, to a
// plain peer thread that reads the first argument's bytes a second: 10 KB/s
// for 20 s, or nothing (until it is dropped, at most 40 s). Also what send
// took and how far the process's resident memory grew (run each case on its
// own for that figure: memory freed by an earlier case hides growth).
void BM_SlowReaderLongestStep(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  const int rate = static_cast<int>(state.range(0));
  const int delay = static_cast<int>(state.range(1));
  const int32_t size = static_cast<int32_t>(state.range(2));
  const int64_t run_us = (rate > 0 ? 20 : 40) * int64_t(1000000);
  double longest_ms = 0;
  double kept_s = 0;
  int64_t taken = 0;
  int64_t rss_start = residentBytes();
  int64_t rss_peak = rss_start;
  int step = 0;
  for (auto _ : state) {
    int peer = servePlainPeer(state);
    if (peer < 0) return;
    nm.setDelay(delay, 0);
    std::atomic<bool> stop(false);
    std::thread reader([peer, &stop, rate] {
      if (rate == 0) return;
      char buf[1000];
      int64_t start = platform::nowMicros();
      int64_t got = 0;
      while (!stop.load()) {
        ssize_t n = ::recv(peer, buf, sizeof(buf), 0);
        if (n <= 0) return;
        got += n;
        int64_t wait = start + got * 1000000 / rate - platform::nowMicros();
        if (wait > 0) ::usleep(static_cast<useconds_t>(wait));
      }
    });
    std::string message = nettest::frame(std::string(size_t(size) - 4, 's'));
    int64_t longest = 0;
    int64_t start = platform::nowMicros();
    while (nm.getNumConnections() > 0 && platform::nowMicros() - start < run_us) {
      int64_t t0 = platform::nowMicros();
      if (nm.send(message.data(), size, 0) == 0) taken += size;
      GameManagerSeam::setStepCount(++step);
      if (nm.isConnected(-1)) nm.sendDelayed();
      int64_t dt = platform::nowMicros() - t0;
      if (dt > longest) longest = dt;
      int64_t rss = residentBytes();
      if (rss > rss_peak) rss_peak = rss;
      ::usleep(5000);
    }
    kept_s = double(platform::nowMicros() - start) / 1e6;
    state.counters["kept"] = nm.getNumConnections() > 0 ? 1 : 0;
    longest_ms = double(longest) / 1000.0;
    stop = true;
    endPlainPeer(peer, &reader);
  }
  state.counters["longest_step_ms"] = longest_ms;
  state.counters["connected_s"] = kept_s;
  state.counters["taken_MB"] = double(taken) / 1e6;
  state.counters["rss_growth_MB"] = double(rss_peak - rss_start) / 1e6;
}

// A plain listener on a free port and its port; -1 with the error set on state.
int plainListener(benchmark::State &state, int *p_port) {
  *p_port = nettest::freePort();
  int l = ::socket(AF_INET, SOCK_STREAM, 0);
  int on = 1;
  ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in a = nettest::loopback(*p_port);
  if (::bind(l, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || ::listen(l, 16) != 0) {
    state.SkipWithError("listen");
    ::close(l);
    return -1;
  }
  return l;
}

// The engine as client connects 5 times to plain readers of 3 MB/s (one
// thread each), sends 1,000,000 bytes on each (16 messages), then closes
// every socket (argument 0) or shuts down (1) at once. What each reader
// got, and whether it saw a clean end.
void BM_CloseFiveConnections(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  const int connections = 5;
  const int rate = 3000000;
  const int32_t size = 62500;
  const int count = 16;
  std::vector<int64_t> got(connections, 0);
  std::vector<int> clean(connections, 0);
  for (auto _ : state) {
    int port = 0;
    int listener = plainListener(state, &port);
    if (listener < 0) return;
    std::vector<int> peers;
    for (int k = 0; k < connections; k++) {
      if (nm.connect("127.0.0.1", std::to_string(port)) != k) {
        state.SkipWithError("connect");
        return;
      }
      peers.push_back(::accept(listener, nullptr, nullptr));
    }
    std::vector<std::thread> readers;
    for (int k = 0; k < connections; k++)
      readers.emplace_back([&, k] {
        char buf[16384];
        int64_t start = platform::nowMicros();
        for (;;) {
          ssize_t n = ::recv(peers[k], buf, sizeof(buf), 0);
          if (n <= 0) {
            clean[k] = n == 0;
            return;
          }
          got[k] += n;
          int64_t wait = start + got[k] * 1000000 / rate - platform::nowMicros();
          if (wait > 0) ::usleep(static_cast<useconds_t>(wait));
        }
      });
    for (int k = 0; k < connections; k++)
      for (int seq = 0; seq < count; seq++) {
        std::string m = nettest::seqMessage(seq, size);
        nm.send(m.data(), size, k);
      }
    if (state.range(0) == 0) {
      nm.close(-1);
      int64_t start = platform::nowMicros();
      while (nm.isDraining() && platform::nowMicros() - start < MAX_RUN_US) {
        nm.sendDelayed();
        ::usleep(1000);
      }
    } else {
      g_p_env->stopEngine();
    }
    for (std::thread &t : readers) t.join();
    for (int fd : peers) ::close(fd);
    ::close(listener);
    if (state.range(0) != 0 && g_p_env->startEngine() != 0) state.SkipWithError("restart");
  }
  int64_t least = got[0], most = got[0];
  int clean_ends = 0;
  for (int k = 0; k < connections; k++) {
    least = std::min(least, got[k]);
    most = std::max(most, got[k]);
    clean_ends += clean[k];
  }
  state.counters["least_delivered_bytes"] = double(least);
  state.counters["most_delivered_bytes"] = double(most);
  state.counters["clean_ends"] = clean_ends;
}

// 2,000,000 sends of a 4-byte message (a length alone) with a send delay of
// 100,000 steps to a plain peer: how many send took and how far the
// process's resident memory grew (run on its own for that figure).
void BM_DelayedTinySends(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  const int sends = 2000000;
  int64_t accepted = 0;
  int64_t growth = 0;
  for (auto _ : state) {
    int peer = servePlainPeer(state);
    if (peer < 0) return;
    nm.setDelay(100000, 0);
    std::string m = nettest::frame("");
    int64_t rss_start = residentBytes();
    for (int k = 0; k < sends; k++) accepted += nm.send(m.data(), 4, 0) == 0;
    growth = residentBytes() - rss_start;
    nm.close(-1);
    ::close(peer);
    nm.setServer(false);
  }
  state.counters["accepted"] = double(accepted);
  state.counters["rss_growth_MB"] = double(growth) / 1e6;
}

// A plain process connects a client every 20 ms (at most 500, for 10 s)
// and never reads; every 5 ms the engine, a server at the default limit,
// takes the new clients, sends each 8 MiB (what send takes of it) and
// closes it. The most
// descriptors this process had open, and its resident memory growth.
void BM_StormOfNonReadingClients(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  int most_fds = 0;
  int64_t rss_peak = 0, rss_start = 0;
  int served = 0;
  for (auto _ : state) {
    int port = nettest::freePort();
    if (nm.setServer(true, std::to_string(port)) != 0) {
      state.SkipWithError("setServer");
      return;
    }
    int fds_start = nettest::openDescriptors();
    rss_start = rss_peak = residentBytes();
    int64_t start = platform::nowMicros();
    nettest::Child storm([port, start]() -> int {
      std::vector<int> clients;
      while (clients.size() < 500 && platform::nowMicros() - start < 10000000) {
        int c = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = nettest::loopback(port);
        if (::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0) clients.push_back(c);
        ::usleep(20000);
      }
      ::usleep(2000000);
      return 0;
    });
    std::string m = nettest::seqMessage(0, MESSAGE_BYTES);
    while (platform::nowMicros() - start < 11000000) {
      while (nm.accept() >= 0) served++;
      for (int i = 0; i < nm.getNumConnections(); i++)
        for (int k = 0; k < 128; k++) nm.send(m.data(), MESSAGE_BYTES, i);
      nm.close(-1);
      nm.sendDelayed();
      most_fds = std::max(most_fds, nettest::openDescriptors() - fds_start);
      rss_peak = std::max(rss_peak, residentBytes());
      ::usleep(5000);
    }
    storm.wait(10000);
    nm.close(-1);
    nm.setServer(false);
  }
  state.counters["clients_served"] = served;
  state.counters["most_descriptors_over_start"] = most_fds;
  state.counters["rss_growth_MB"] = double(rss_peak - rss_start) / 1e6;
}

// At the descriptor limit, steps of 33 ms for 20 s: every other step
// closes a connection, and the next accept takes the descriptor it freed;
// the step after fails again. How many accept lines the log has.
void BM_AcceptLinesAtTheDescriptorLimit(benchmark::State &state) {
  NetworkManager &nm = NetworkManager::getInstance();
  int lines = 0;
  int failures = 0;
  int taken = 0;
  for (auto _ : state) {
    int port = nettest::freePort();
    if (nm.setServer(true, std::to_string(port)) != 0) {
      state.SkipWithError("setServer");
      return;
    }
    nm.setMaxConnections(1000);
    // Clients come faster than they are taken, so one always waits.
    nettest::Child clients([port]() -> int {
      for (int k = 0; k < 800; k++) {
        int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a = nettest::loopback(port);
        ::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof(a));
        ::usleep(30000);
      }
      return 0;
    });
    int64_t end = platform::nowMicros() + 3000000;
    while (nm.getNumConnections() < 20 && platform::nowMicros() < end) {
      nm.accept();
      ::usleep(1000);
    }
    size_t before = g_p_env->logLines().size();
    struct rlimit old;
    ::getrlimit(RLIMIT_NOFILE, &old);
    int lowest = ::open("/dev/null", O_RDONLY);
    ::close(lowest);
    struct rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(lowest);
    ::setrlimit(RLIMIT_NOFILE, &low);
    for (int step = 0; step < 600; step++) {
      if (step % 2 == 0 && nm.getNumConnections() > 0) nm.close(0);
      int r = nm.accept();
      failures += r == -2;
      taken += r >= 0;
      ::usleep(33000);
    }
    ::setrlimit(RLIMIT_NOFILE, &old);
    nm.close(-1);
    nm.setServer(false);
    nm.setMaxConnections(3);
    std::vector<std::string> log = g_p_env->logLines();
    for (size_t i = before; i < log.size(); i++)
      lines += log[i].rfind("NetworkManager::accept()", 0) == 0 || log[i].rfind("\t24 - ", 0) == 0;
    clients.wait(1000);
  }
  state.counters["failures"] = failures;
  state.counters["taken"] = taken;
  state.counters["accept_lines"] = lines;
}

BENCHMARK(BM_SendSmallMessages)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReceiveSmallMessages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LongestStepServerSide)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LongestStepClientSide)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BurstCollectedStepByStep)
    ->Args({MAX_MESSAGE_SIZE, 200})
    ->Args({4096, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlowReaderLongestStep)
    ->Args({10000, 0, 4096})
    ->Args({0, 0, 4096})
    ->Args({10000, 10, 16384})
    ->Args({0, 10, 16384})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CloseFiveConnections)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DelayedTinySends)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StormOfNonReadingClients)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AcceptLinesAtTheDescriptorLimit)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  test::TestEnv env;
  g_p_env = &env;
  env.writeConfig(nettest::NET_CONFIG);
  if (env.startEngine() != 0) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
