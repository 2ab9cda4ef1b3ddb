// Arbitrary byte streams through a local socket pair into vx::genDataEvents.
// The results are checked against the framing: a length of 4 to
// MAX_MESSAGE_SIZE delivers one message once it is whole, anything else
// closes the socket.
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/LogManager.h"
#include "network/NetworkManager.h"

namespace {

const size_t MAX_INPUT = 160 * 1024;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::LogManager::getInstance().startUp();
  vx::NetworkManager::getInstance().startUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > MAX_INPUT) size = MAX_INPUT;
  vx::NetworkManager &nm = vx::NetworkManager::getInstance();

  int fd[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) != 0) return 0;
  int buf_size = 1024 * 1024;
  ::setsockopt(fd[1], SOL_SOCKET, SO_SNDBUF, &buf_size, sizeof(buf_size));
  ::setsockopt(fd[0], SOL_SOCKET, SO_RCVBUF, &buf_size, sizeof(buf_size));
  size_t written = 0;
  while (written < size) {
    ssize_t n = ::send(fd[1], data + written, size - written, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  ::close(fd[1]);

  check(nm.adoptSocket(fd[0]) == 0);

  // Expected results, message by message, from the bytes alone.
  size_t at = 0;
  for (size_t calls = 0; calls <= written / 4 + 2; calls++) {
    int expect;
    size_t left = written - at;
    int32_t len = 0;
    if (left >= 4) memcpy(&len, data + at, 4);
    if (left < 4)
      expect = 0;
    else if (len < 4 || len > vx::MAX_MESSAGE_SIZE)
      expect = -1;
    else if (static_cast<size_t>(len) > left)
      expect = 0;
    else
      expect = 1;

    int r = vx::genDataEvents(0);
    check(r == expect);
    if (r == 1) {
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
  return 0;
}
