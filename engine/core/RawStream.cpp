#include "core/RawStream.h"

namespace vx {

bool readFlag(std::stringstream *p_ss, bool &b) {
  std::uint8_t c = 0;
  if (!readRaw(p_ss, c)) return false;
  b = c != 0;
  return true;
}

void writeText(std::stringstream *p_ss, const std::string &s) {
  std::uint64_t n = s.size();
  writeRaw(p_ss, n);
  p_ss->write(s.data(), static_cast<std::streamsize>(n));
}

long long bytesLeft(std::stringstream *p_ss) {
  if (!p_ss->good()) return -1;
  std::streampos here = p_ss->tellg();
  if (here == std::streampos(-1)) return -1;
  p_ss->seekg(0, std::ios::end);
  std::streampos end = p_ss->tellg();
  p_ss->seekg(here);
  if (end == std::streampos(-1) || !p_ss->good() || end < here) return -1;
  return static_cast<long long>(end - here);
}

} // namespace vx
