#pragma once
// The engine's layer over the operating system and C runtime: clock, sleep,
// timer resolution, working directory, random numbers and string helpers.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vx {
namespace platform {

// Microseconds from a monotonic clock.
int64_t nowMicros();

// Sleeps whole milliseconds; resumes after signals until the time is up.
void sleepMillis(int ms);

// The system's own clock and sleep, which the two above are
// (platform/Time.cpp; test programs link a clock of their own in its place).
int64_t systemMicros();
void systemSleepMillis(int ms);

// Timer resolution requests: always granted here, 0 for success.
int timeBeginPeriod(unsigned int ms);
int timeEndPeriod(unsigned int ms);

// The current directory into buf; nullptr when it does not fit.
char *getcwd(char *buf, std::size_t size);

// What identifies a file whatever the path that names it.
struct FileId {
  uint64_t device;
  uint64_t inode;
  bool operator==(const FileId &other) const { return device == other.device && inode == other.inode; }
};

// False when the path names no file (or it cannot be examined).
bool fileId(const char *path, FileId *p_id);
// False when the stream is not an open file.
bool fileId(FILE *p_f, FileId *p_id);

// Pseudo-random numbers 0..VX_RAND_MAX, seeded by srand.
constexpr int VX_RAND_MAX = 32767;
int rand();
void srand(unsigned int seed);

// A heap copy of s, released with free; nullptr on failure.
char *strdup(const char *s);

// Re-entrant tokenizer.
char *strtok(char *str, const char *delim, char **save);

} // namespace platform
} // namespace vx
