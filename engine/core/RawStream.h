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

// Reads records from a stream (not null). A value is taken only when all
// its bytes arrived; a length or count is checked against the bytes left
// before anything is allocated for it. A refused length or count is logged
// as "<who>: Error! ..." and fails the stream. The reader is handed down to
// every value type that a record nests, and it holds the one failure state
// of everything read through it.
class RawReader {
 public:
  // How the reading stands; it only ever gets worse. A stream that ran
  // short or broke counts as STOPPED.
  enum State {
    GOOD,
    SKIPPED,    // a part was left out; what follows still lines up and is read
    STOPPED,    // nothing more is read
    ABANDONED,  // the record is given up at once
  };

  // Names the operation reading, e.g. "Box::deserialize()", in the lines
  // logged until the scope ends; the outer name comes back then.
  class Scope {
   private:
    RawReader &m_in;
    const char *m_outer;

   public:
    Scope(RawReader &in, const char *who) : m_in(in), m_outer(in.m_who) { in.m_who = who; }
    ~Scope() { m_in.m_who = m_outer; }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
  };

  explicit RawReader(std::stringstream *p_ss);

  State state() const;
  // More can be read: nothing failed, or a part was only skipped.
  bool reading() const { return state() <= SKIPPED; }
  // Records a failure; a better state than the present one changes nothing.
  void mark(State s);

  // True when all of v arrived; v is left alone otherwise.
  template <typename T>
  bool raw(T &v) {
    if (!reading()) return false;
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

  // Stops the reading and marks the stream failed, for the check to report.
  void fail();
  // 0 when nothing failed, else -1; when the stream shows the failure, logs
  // the operation's name and eof or fail.
  int check() const;

 private:
  std::stringstream *m_p_ss;
  const char *m_who;
  State m_state;

  // The bytes left, and whether count items of item_bytes each fit in them.
  bool within(std::uint64_t count, std::uint64_t item_bytes, long long &left) const;
  void refuse(const std::string &what, long long left);
};

} // namespace vx
