#pragma once
// Raw native-order reads and writes on the serialisation streams.

#include <cstdint>
#include <sstream>
#include <string>

namespace vx {

template <typename T>
void writeRaw(std::stringstream *p_ss, const T &v) {
  p_ss->write(reinterpret_cast<const char *>(&v), sizeof(T));
}

// True when all of v arrived; v is left alone otherwise.
template <typename T>
bool readRaw(std::stringstream *p_ss, T &v) {
  T tmp{};
  p_ss->read(reinterpret_cast<char *>(&tmp), sizeof(T));
  if (p_ss->fail() || p_ss->gcount() != static_cast<std::streamsize>(sizeof(T))) return false;
  v = tmp;
  return true;
}

// A flag byte: anything but 0 is true.
bool readFlag(std::stringstream *p_ss, bool &b);

// An 8-byte length, then the characters without a terminator.
void writeText(std::stringstream *p_ss, const std::string &s);

// Bytes not yet read from the stream; -1 when it cannot tell.
long long bytesLeft(std::stringstream *p_ss);

} // namespace vx
