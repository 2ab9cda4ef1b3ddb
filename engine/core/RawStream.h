#pragma once
// Raw native-order records on the serialisation streams: free functions for
// the write side, one checked reader for the read side.

#include <cstdint>
#include <sstream>
#include <string>

namespace vx {

template <typename T>
void writeRaw(std::stringstream *p_ss, const T &v) {
  p_ss->write(reinterpret_cast<const char *>(&v), sizeof(T));
}

// One byte, 0 or 1.
void writeFlag(std::stringstream *p_ss, bool b);

// An 8-byte length, then the characters without a terminator.
void writeText(std::stringstream *p_ss, const std::string &s);

// Reads one record from a stream (not null). A value is taken only when all
// its bytes arrived; a length or count is checked against the bytes left
// before anything is allocated for it. A refused length or count is logged
// as "<who>: Error! ..." and fails the stream.
class RawReader {
 private:
  std::stringstream *m_p_ss;
  const char *m_who;

  // The bytes left, and whether count items of item_bytes each fit in them.
  bool within(std::uint64_t count, std::uint64_t item_bytes, long long &left) const;
  void refuse(const std::string &what, long long left);

 public:
  // who names the reading operation in log lines, e.g. "Box::deserialize()".
  RawReader(std::stringstream *p_ss, const char *who);

  std::stringstream *stream() const { return m_p_ss; }
  bool good() const { return m_p_ss->good(); }

  // True when all of v arrived; v is left alone otherwise.
  template <typename T>
  bool raw(T &v) {
    T tmp{};
    m_p_ss->read(reinterpret_cast<char *>(&tmp), sizeof(T));
    if (m_p_ss->fail() || m_p_ss->gcount() != static_cast<std::streamsize>(sizeof(T))) return false;
    v = tmp;
    return true;
  }

  // A flag byte: anything but 0 is true.
  bool flag(bool &b);

  // A length n that the bytes left can hold ("<what> length n exceeds ...").
  bool lengthFits(std::uint64_t n, const char *what);
  // An 8-byte length, read and checked as above.
  bool length(std::uint64_t &n, const char *what);
  // count items of item_bytes each in the bytes left ("<what> of count
  // <items> exceeds ...").
  bool countFits(std::uint64_t count, std::uint64_t item_bytes, const char *what, const char *items);
  // The same for the 8-byte count at the read position, which is left there
  // for the reader of the items to take.
  bool countAheadFits(std::uint64_t item_bytes, const char *what, const char *items);
  // count texts in the write side's form at the read position, each length
  // checked as above; the stream is left where it was.
  bool textsFit(std::int32_t count, const char *what);

  enum Text { TEXT_OK, TEXT_NO_MEMORY, TEXT_SHORT };
  // The n characters after a checked length, taken only when all arrived.
  // TEXT_NO_MEMORY: no room for them, nothing read.
  Text text(std::uint64_t n, std::string &out);
  // The same, but a zero byte ends the text.
  Text name(std::uint64_t n, std::string &out);
  // Passes over n bytes.
  void skip(std::uint64_t n);

  // Marks the stream failed.
  void fail();
  // 0 when the stream is good, else logs who and eof or fail, -1.
  int check() const;
};

} // namespace vx
