#include "display/SoundFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "core/LogManager.h"

namespace vx {

namespace {

// Samples read at a time.
const unsigned long long READ_SAMPLES = 1 << 16;

bool playableChannels(unsigned int count) {
  switch (count) {
    case 1: case 2: case 4: case 6: case 7: case 8: return true;
    default: return false;
  }
}

} // namespace

SoundFile::SoundFile(const std::string &caller) : m_input(), m_filename(), m_caller(caller), m_bytes(0) {}

int SoundFile::open(const std::string &filename, bool whole) {
  m_filename = filename;
  std::ifstream file(filename, std::ios::binary | std::ios::ate);
  if (!file) return -1;
  std::streamoff end = file.tellg();
  if (end < 0) return -1;
  unsigned long long bytes = static_cast<unsigned long long>(end);
  m_bytes = bytes;
  char head[12] = {};
  file.seekg(0);
  file.read(head, sizeof(head));
  bool wav = file.gcount() == std::streamsize(sizeof(head)) && std::memcmp(head, "RIFF", 4) == 0 &&
             std::memcmp(head + 8, "WAVE", 4) == 0;
  file.close();

  if (!m_input.openFromFile(filename)) return -1;

  LogManager &lm = LogManager::getInstance();
  const char *who = m_caller.c_str();
  unsigned long long samples = m_input.getSampleCount();
  if (!playableChannels(m_input.getChannelCount())) {
    lm.writeLog("%s: Error! '%s' has %u channels; only 1, 2, 4, 6, 7 or 8 can be played.", who, filename.c_str(),
                m_input.getChannelCount());
    return -1;
  }
  if (m_input.getSampleRate() < 1 || m_input.getSampleRate() > MAX_SAMPLE_RATE) {
    lm.writeLog("%s: Error! '%s' has a sample rate of %u Hz; only 1 to %u can be played.", who, filename.c_str(),
                m_input.getSampleRate(), MAX_SAMPLE_RATE);
    return -1;
  }
  // Every sample of a WAV file takes at least a byte of it.
  if (wav && samples > bytes) {
    lm.writeLog("%s: Error! '%s' claims %llu samples in %llu bytes.", who, filename.c_str(), samples, bytes);
    return -1;
  }
  if (!whole) return 0;
  if (samples == 0) {
    lm.writeLog("%s: Error! '%s' holds no samples.", who, filename.c_str());
    return -1;
  }
  if (samples > MAX_WHOLE_SAMPLES) {
    lm.writeLog("%s: Error! '%s' claims %llu samples; at most %llu are loaded whole.", who, filename.c_str(),
                samples, MAX_WHOLE_SAMPLES);
    return -1;
  }
  return 0;
}

int SoundFile::readAll(std::vector<sf::Int16> &samples) {
  unsigned long long claimed = m_input.getSampleCount();
  samples.clear();
  samples.reserve(size_t(std::min(claimed, m_bytes)));
  while (samples.size() < claimed) {
    size_t have = samples.size();
    size_t piece = size_t(std::min(READ_SAMPLES, claimed - have));
    samples.resize(have + piece);
    unsigned long long got = m_input.read(&samples[have], piece);
    samples.resize(have + size_t(got));
    if (got == 0) break;
  }
  if (samples.size() < claimed) {
    LogManager::getInstance().writeLog("%s: Error! '%s' ends after %llu of its %llu samples.", m_caller.c_str(),
                                       m_filename.c_str(), static_cast<unsigned long long>(samples.size()),
                                       claimed);
    return -1;
  }
  return 0;
}

unsigned int SoundFile::getChannelCount() const { return m_input.getChannelCount(); }
unsigned int SoundFile::getSampleRate() const { return m_input.getSampleRate(); }

} // namespace vx
