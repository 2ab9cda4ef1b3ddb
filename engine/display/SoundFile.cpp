#include "display/SoundFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "core/LogManager.h"

namespace vx {

namespace {

// Samples read at a time.
const unsigned long long READ_SAMPLES = 1 << 16;

// Chunks walked before the data chunk; past them the audio library decides.
const int MAX_CHUNKS = 64;

// The sub-format of an extensible WAV holding PCM.
const unsigned char PCM_SUBFORMAT[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                         0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

bool playableChannels(unsigned int count) {
  switch (count) {
    case 1: case 2: case 4: case 6: case 7: case 8: return true;
    default: return false;
  }
}

unsigned int le16(const unsigned char *p) { return unsigned(p[0]) | unsigned(p[1]) << 8; }
unsigned long long le32(const unsigned char *p) {
  return static_cast<unsigned long long>(le16(p)) | static_cast<unsigned long long>(le16(p + 2)) << 16;
}

bool readAt(std::ifstream &file, unsigned long long at, unsigned char *to, unsigned long long count) {
  file.seekg(static_cast<std::streamoff>(at));
  file.read(reinterpret_cast<char *>(to), static_cast<std::streamsize>(count));
  return bool(file) && file.gcount() == static_cast<std::streamsize>(count);
}

// What a WAV file's header claims.
struct WavHeader {
  unsigned int channels;
  unsigned int rate;
  unsigned long long samples;
};

enum WavReading {
  WAV_READ,        // the header below
  WAV_UNKNOWN,     // left to the audio library
  WAV_DATA_FIRST,  // data before any format: the library would divide by zero
};

// Reads the header of a RIFF/WAVE file of the given size as the audio
// library does: chunks back to back with no padding, the format chunk's
// PCM fields, the data chunk's size in whole samples. Other formats, a short
// file or too many chunks are unknown.
WavReading readWavHeader(std::ifstream &file, unsigned long long bytes, WavHeader &header) {
  unsigned long long at = 12;
  unsigned long long width = 0;
  for (int chunk = 0; chunk < MAX_CHUNKS; chunk++) {
    unsigned char head[8];
    if (bytes < 8 || at > bytes - 8 || !readAt(file, at, head, sizeof(head))) return WAV_UNKNOWN;
    unsigned long long size = le32(head + 4);
    at += 8;
    if (std::memcmp(head, "data", 4) == 0) {
      if (width == 0) return WAV_DATA_FIRST;
      header.samples = size / width;
      return WAV_READ;
    }
    if (size > bytes - at) return WAV_UNKNOWN;
    if (std::memcmp(head, "fmt ", 4) == 0) {
      unsigned char fmt[40];
      if (width != 0 || size < 16) return WAV_UNKNOWN;
      unsigned long long count = std::min<unsigned long long>(size, sizeof(fmt));
      if (!readAt(file, at, fmt, count)) return WAV_UNKNOWN;
      unsigned int format = le16(fmt), bits = le16(fmt + 14);
      if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return WAV_UNKNOWN;
      if (format == 0xfffe) {
        if (count < 40 || le16(fmt + 18) != bits || std::memcmp(fmt + 24, PCM_SUBFORMAT, 16) != 0)
          return WAV_UNKNOWN;
      } else if (format != 1) {
        return WAV_UNKNOWN;
      }
      header.channels = le16(fmt + 2);
      header.rate = static_cast<unsigned int>(le32(fmt + 4));
      width = bits / 8;
    }
    at += size;
  }
  return WAV_UNKNOWN;
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
  // The library's probe of the formats reads a WAV file whole: what its
  // header claims is refused first.
  WavHeader header = {};
  WavReading reading = wav ? readWavHeader(file, bytes, header) : WAV_UNKNOWN;
  if (reading == WAV_DATA_FIRST) {
    LogManager::getInstance().writeLog("%s: Error! '%s' has its data before its format.", m_caller.c_str(),
                                       filename.c_str());
    return -1;
  }
  if (reading == WAV_READ && check(header.channels, header.rate, header.samples, wav, whole) != 0) return -1;
  file.close();

  if (!m_input.openFromFile(filename)) return -1;
  return check(m_input.getChannelCount(), m_input.getSampleRate(), m_input.getSampleCount(), wav, whole);
}

int SoundFile::check(unsigned int channels, unsigned int rate, unsigned long long samples, bool wav,
                     bool whole) const {
  LogManager &lm = LogManager::getInstance();
  const char *who = m_caller.c_str();
  const char *name = m_filename.c_str();
  if (!playableChannels(channels)) {
    lm.writeLog("%s: Error! '%s' has %u channels; only 1, 2, 4, 6, 7 or 8 can be played.", who, name, channels);
    return -1;
  }
  if (rate < 1 || rate > MAX_SAMPLE_RATE) {
    lm.writeLog("%s: Error! '%s' has a sample rate of %u Hz; only 1 to %u can be played.", who, name, rate,
                MAX_SAMPLE_RATE);
    return -1;
  }
  // Every sample of a WAV file takes at least a byte of it.
  if (wav && samples > m_bytes) {
    lm.writeLog("%s: Error! '%s' claims %llu samples in %llu bytes.", who, name, samples, m_bytes);
    return -1;
  }
  if (!whole) return 0;
  if (samples == 0) {
    lm.writeLog("%s: Error! '%s' holds no samples.", who, name);
    return -1;
  }
  if (samples > MAX_WHOLE_SAMPLES) {
    lm.writeLog("%s: Error! '%s' claims %llu samples; at most %llu are loaded whole.", who, name, samples,
                MAX_WHOLE_SAMPLES);
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
