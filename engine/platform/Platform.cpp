#include "platform/Platform.h"

#include <errno.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace vx {
namespace platform {

namespace {

// 32-bit linear congruential generator; state as if seeded with 1.
uint32_t g_rand_state = 1;

} // namespace

int64_t systemMicros() {
  struct timespec ts;
  if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
  return int64_t(ts.tv_sec) * 1000000 + int64_t(ts.tv_nsec) / 1000;
}

void systemSleepMillis(int ms) {
  if (ms <= 0) return;
  struct timespec req;
  req.tv_sec = ms / 1000;
  req.tv_nsec = long(ms % 1000) * 1000000L;
  struct timespec rem;
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

int timeBeginPeriod(unsigned int) { return 0; }
int timeEndPeriod(unsigned int) { return 0; }

char *getcwd(char *buf, std::size_t size) {
  if (!buf || size == 0) return nullptr;
  return ::getcwd(buf, size);
}

bool fileId(const char *path, FileId *p_id) {
  struct stat st;
  if (!path || !p_id || ::stat(path, &st) != 0) return false;
  p_id->device = uint64_t(st.st_dev);
  p_id->inode = uint64_t(st.st_ino);
  return true;
}

bool fileId(FILE *p_f, FileId *p_id) {
  struct stat st;
  if (!p_f || !p_id) return false;
  int fd = fileno(p_f);
  if (fd < 0 || ::fstat(fd, &st) != 0) return false;
  p_id->device = uint64_t(st.st_dev);
  p_id->inode = uint64_t(st.st_ino);
  return true;
}

int rand() {
  g_rand_state = g_rand_state * 1103515245u + 12345u;
  return int((g_rand_state >> 16) & 0x7fffu);
}

void srand(unsigned int seed) { g_rand_state = seed; }

char *strdup(const char *s) {
  if (!s) return nullptr;
  std::size_t n = std::strlen(s) + 1;
  char *p = static_cast<char *>(std::malloc(n));
  if (!p) return nullptr;
  std::memcpy(p, s, n);
  return p;
}

char *strtok(char *str, const char *delim, char **save) {
  if (!delim || !save) return nullptr;
  if (!str && !*save) return nullptr;
  return strtok_r(str, delim, save);
}

} // namespace platform
} // namespace vx
