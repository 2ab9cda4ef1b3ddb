#pragma once
// Helpers of the network tests: an object that records network and step
// events, free loopback ports, bounded waiting, descriptor counts and child
// engines in forked processes.

#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/EventStep.h"
#include "network/EventNetwork.h"
#include "platform/Platform.h"
#include "world/Object.h"

namespace nettest {

// A headless engine with networking on.
const std::string NET_CONFIG = "headless:true,\nnetworking:true,\n";

// What one network event carried.
struct Seen {
  int label;
  int index;
  int bytes;
  std::string message;  // copy of the message bytes, if any
};

// Records every "vx-network" event; optionally runs code on each step.
class Recorder : public vx::Object {
 public:
  std::vector<Seen> seen;
  std::function<void(int step)> on_step;
  std::function<void(const vx::EventNetwork &)> on_network;

  explicit Recorder(bool steps = false) {
    setType("NetRecorder");
    setSolidness(vx::SPECTRAL);
    registerInterest(vx::EVENT_NETWORK);
    if (steps) registerInterest(vx::EVENT_STEP);
  }

  int eventHandler(const vx::Event *p_e) override {
    if (p_e->getType() == vx::EVENT_NETWORK) {
      const vx::EventNetwork *p = static_cast<const vx::EventNetwork *>(p_e);
      Seen s{p->getLabel(), p->getSocketIndex(), p->getBytes(), std::string()};
      if (p->getMessage() && p->getBytes() > 0) s.message.assign(p->getMessage(), p->getBytes());
      seen.push_back(s);
      if (on_network) on_network(*p);
      return 1;
    }
    if (p_e->getType() == vx::EVENT_STEP) {
      if (on_step) on_step(static_cast<const vx::EventStep *>(p_e)->getStepCount());
      return 1;
    }
    return 0;
  }

  int count(int label) const {
    int n = 0;
    for (const Seen &s : seen) n += s.label == label;
    return n;
  }
};

// A framed message: 4-byte length (itself included) then the payload.
inline std::string frame(const std::string &payload) {
  int32_t len = static_cast<int32_t>(payload.size() + 4);
  std::string out(reinterpret_cast<const char *>(&len), 4);
  return out + payload;
}

// A framed message of size bytes in all that carries seq and a pattern
// that depends on both, so that a cut, a mix-up or a reorder shows.
inline std::string seqMessage(int32_t seq, int32_t size) {
  std::string m(static_cast<size_t>(size), '\0');
  memcpy(&m[0], &size, 4);
  memcpy(&m[4], &seq, 4);
  for (size_t i = 8; i < m.size(); i++) m[i] = static_cast<char>((uint32_t(seq) + i) % 251);
  return m;
}

// True when body (a message after its length field) is seqMessage(seq, size).
inline bool seqBodyOk(const char *body, int32_t seq, int32_t size) {
  int32_t got = 0;
  memcpy(&got, body, 4);
  if (got != seq) return false;
  for (size_t i = 8; i < static_cast<size_t>(size); i++)
    if (body[i - 4] != static_cast<char>((uint32_t(seq) + i) % 251)) return false;
  return true;
}

inline int32_t lengthOf(const std::string &message) {
  int32_t len = 0;
  if (message.size() >= 4) memcpy(&len, message.data(), 4);
  return len;
}

// The address of a port on 127.0.0.1.
inline sockaddr_in loopback(int port) {
  sockaddr_in a;
  memset(&a, 0, sizeof(a));
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

// A TCP port on 127.0.0.1 that was free a moment ago (bound to port 0).
inline int freePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return -1;
  sockaddr_in a = loopback(0);
  socklen_t len = sizeof(a);
  int port = -1;
  if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof(a)) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

// Polls pred every millisecond until it holds or timeout_ms have passed.
inline bool waitFor(const std::function<bool()> &pred, int timeout_ms = 5000) {
  int64_t end = vx::platform::nowMicros() + int64_t(timeout_ms) * 1000;
  while (true) {
    if (pred()) return true;
    if (vx::platform::nowMicros() > end) return false;
    ::usleep(1000);
  }
}

// Number of open descriptors of this process.
inline int openDescriptors() {
  int n = 0;
  DIR *d = ::opendir("/proc/self/fd");
  if (!d) return -1;
  while (struct dirent *e = ::readdir(d))
    if (e->d_name[0] != '.') n++;
  ::closedir(d);
  return n - 1;  // the directory stream itself
}

// Writes all of data to a descriptor; false on failure.
inline bool writeAll(int fd, const std::string &data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A forked process that runs body and exits with its result (0 = passed).
class Child {
 public:
  explicit Child(const std::function<int()> &body) {
    fflush(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      int rc = 99;
      rc = body();
      ::_exit(rc);
    }
  }
  ~Child() {
    if (m_pid > 0 && !m_done) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  bool started() const { return m_pid > 0; }

  // The child's exit status, -1 if it did not exit normally within timeout_ms
  // (it is then killed), -2 when it died of a signal.
  int wait(int timeout_ms = 10000) {
    if (m_pid <= 0) return -1;
    int status = 0;
    bool exited = waitFor(
        [&] {
          pid_t r = ::waitpid(m_pid, &status, WNOHANG);
          return r == m_pid;
        },
        timeout_ms);
    if (!exited) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
      m_done = true;
      return -1;
    }
    m_done = true;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -2;
  }

 private:
  pid_t m_pid = -1;
  bool m_done = false;
};

} // namespace nettest
