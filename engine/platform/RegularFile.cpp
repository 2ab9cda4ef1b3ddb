#include "platform/RegularFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace platform {

RegularFile::RegularFile() : m_fd(-1), m_size(0), m_buffer() { setg(m_buffer, m_buffer, m_buffer); }

RegularFile::~RegularFile() { close(); }

int RegularFile::open(const std::string &path) {
  close();
  // Looked at before the open, which would wait on a FIFO; the open itself
  // does not wait, and what it opened is looked at again.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return CANNOT_OPEN;
  if (!S_ISREG(st.st_mode)) return NOT_REGULAR;
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return CANNOT_OPEN;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return NOT_REGULAR;
  }
  m_fd = fd;
  m_size = st.st_size > 0 ? uint64_t(st.st_size) : 0;
  setg(m_buffer, m_buffer, m_buffer);
  return 0;
}

void RegularFile::close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_size = 0;
  setg(m_buffer, m_buffer, m_buffer);
}

bool RegularFile::isOpen() const { return m_fd >= 0; }

uint64_t RegularFile::size() const { return m_size; }

int64_t RegularFile::readAt(uint64_t at, void *to, uint64_t count) const {
  if (m_fd < 0 || at > uint64_t(INT64_MAX)) return -1;
  char *p = static_cast<char *>(to);
  uint64_t done = 0;
  while (done < count) {
    uint64_t want = count - done;
    if (want > (1u << 30)) want = 1u << 30;
    ssize_t got = ::pread(m_fd, p + done, size_t(want), off_t(at + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += uint64_t(got);
  }
  return int64_t(done);
}

RegularFile::int_type RegularFile::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (m_fd < 0) return traits_type::eof();
  ssize_t got;
  do {
    got = ::read(m_fd, m_buffer, sizeof(m_buffer));
  } while (got < 0 && errno == EINTR);
  if (got <= 0) return traits_type::eof();
  setg(m_buffer, m_buffer, m_buffer + got);
  return traits_type::to_int_type(*gptr());
}

RegularFile::pos_type RegularFile::seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) {
  if (m_fd < 0 || !(which & std::ios_base::in)) return pos_type(off_type(-1));
  off_t at = ::lseek(m_fd, 0, SEEK_CUR);
  if (at < 0) return pos_type(off_type(-1));
  off_t here = at - off_t(egptr() - gptr());  // where the reader is
  if (dir == std::ios_base::cur && off == 0) return pos_type(off_type(here));
  off_t base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? here : off_t(m_size);
  if ((off > 0 && base > INT64_MAX - off) || base + off < 0) return pos_type(off_type(-1));
  off_t to = ::lseek(m_fd, base + off, SEEK_SET);
  setg(m_buffer, m_buffer, m_buffer);
  if (to < 0) return pos_type(off_type(-1));
  return pos_type(off_type(to));
}

RegularFile::pos_type RegularFile::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

} // namespace platform
} // namespace vx
