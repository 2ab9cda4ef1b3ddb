#pragma once

#include <cstdint>
#include <streambuf>
#include <string>

namespace vx {
namespace platform {

// A file opened for reading only when it is a regular file: a FIFO, a
// device or a folder is refused without waiting on it, even one put in the
// file's place while it is opened. Reads go through a buffer (for
// std::istream) or straight to an offset.
class RegularFile : public std::streambuf {
 private:
  int m_fd;
  uint64_t m_size;  // when opened
  char m_buffer[4096];

  RegularFile(const RegularFile &) = delete;
  RegularFile &operator=(const RegularFile &) = delete;

 protected:
  int_type underflow() override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;

 public:
  static const int CANNOT_OPEN = -1;
  static const int NOT_REGULAR = -2;

  RegularFile();
  ~RegularFile() override;

  // 0 when path is a regular file now open; CANNOT_OPEN, or NOT_REGULAR.
  int open(const std::string &path);
  void close();
  bool isOpen() const;

  uint64_t size() const;

  // Up to count bytes from offset at, whatever the buffer's place: the
  // bytes read (0 at the end), or -1.
  int64_t readAt(uint64_t at, void *to, uint64_t count) const;
};

} // namespace platform
} // namespace vx
