#include "core/RawStream.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "core/LogManager.h"
#include "core/Utility.h"

namespace vx {

void writeFlag(std::stringstream *p_ss, bool b) { writeRaw(p_ss, static_cast<std::uint8_t>(b ? 1 : 0)); }

void writeText(std::stringstream *p_ss, const std::string &s) {
  std::uint64_t n = s.size();
  writeRaw(p_ss, n);
  p_ss->write(s.data(), static_cast<std::streamsize>(n));
}

RawReader::RawReader(std::stringstream *p_ss) : m_p_ss(p_ss), m_who(nullptr), m_state(GOOD) {}

RawReader::State RawReader::state() const {
  if (m_state < STOPPED && !m_p_ss->good()) return STOPPED;
  return m_state;
}

void RawReader::mark(State s) {
  if (s > m_state) m_state = s;
}

bool RawReader::flag(bool &b) {
  std::uint8_t c = 0;
  if (!raw(c)) return false;
  b = c != 0;
  return true;
}

bool RawReader::within(std::uint64_t count, std::uint64_t item_bytes, long long &left) const {
  // -1 when the stream cannot tell: nothing fits then.
  left = -1;
  if (m_p_ss->good()) {
    std::streampos here = m_p_ss->tellg();
    if (here != std::streampos(-1)) {
      m_p_ss->seekg(0, std::ios::end);
      std::streampos end = m_p_ss->tellg();
      m_p_ss->seekg(here);
      if (end != std::streampos(-1) && m_p_ss->good() && end >= here) left = static_cast<long long>(end - here);
    }
  }
  return left >= 0 && count <= static_cast<std::uint64_t>(left) / item_bytes;
}

void RawReader::refuse(const std::string &what, long long left) {
  LogManager::getInstance().writeLog("%s: Error! %s exceeds the %lld bytes left.", m_who, what.c_str(),
                                     left < 0 ? 0LL : left);
  fail();
}

bool RawReader::lengthFits(std::uint64_t n, const char *what) {
  long long left = 0;
  if (within(n, 1, left)) return true;
  refuse(std::string(what) + " length " + std::to_string(n), left);
  return false;
}

bool RawReader::length(std::uint64_t &n, const char *what) { return raw(n) && lengthFits(n, what); }

bool RawReader::countFits(std::uint64_t count, std::uint64_t item_bytes, const char *what, const char *items) {
  long long left = 0;
  if (within(count, item_bytes, left)) return true;
  refuse(std::string(what) + " of " + std::to_string(count) + " " + items, left);
  return false;
}

bool RawReader::countAheadFits(std::uint64_t item_bytes, const char *what, const char *items) {
  std::streampos at = m_p_ss->tellg();
  std::uint64_t count = 0;
  if (!raw(count) || !countFits(count, item_bytes, what, items)) return false;
  m_p_ss->seekg(at);
  return reading();
}

bool RawReader::textsFit(std::int32_t count, const char *what) {
  std::streampos start = m_p_ss->tellg();
  for (std::int32_t i = 0; i < count; i++) {
    std::uint64_t n = 0;
    if (!length(n, what)) return false;
    m_p_ss->seekg(static_cast<std::streamoff>(n), std::ios::cur);
    if (!reading()) return false;
  }
  m_p_ss->seekg(start);
  return reading();
}

RawReader::Text RawReader::text(std::uint64_t n, std::string &out) {
  if (!reading()) return TEXT_SHORT;
  std::string buffer;
  try {
    buffer.assign(static_cast<size_t>(n), '\0');
  } catch (const std::bad_alloc &) {
    return TEXT_NO_MEMORY;
  } catch (const std::length_error &) {
    return TEXT_NO_MEMORY;
  }
  if (n > 0) m_p_ss->read(&buffer[0], static_cast<std::streamsize>(n));
  std::streamsize got = n > 0 ? m_p_ss->gcount() : 0;
  if (got != static_cast<std::streamsize>(n) || m_p_ss->fail()) return TEXT_SHORT;
  out = std::move(buffer);
  return TEXT_OK;
}

RawReader::Text RawReader::name(std::uint64_t n, std::string &out) {
  std::string got;
  Text result = text(n, got);
  if (result == TEXT_OK) {
    got.erase(std::find(got.begin(), got.end(), '\0'), got.end());
    out = std::move(got);
  }
  return result;
}

void RawReader::skip(std::uint64_t n) { m_p_ss->ignore(static_cast<std::streamsize>(n)); }

void RawReader::fail() {
  m_p_ss->setstate(std::ios::failbit);
  mark(STOPPED);
}

int RawReader::check() const {
  if (!m_p_ss->good()) return checkStream(m_who, m_p_ss);
  return m_state == GOOD ? 0 : -1;
}

} // namespace vx
