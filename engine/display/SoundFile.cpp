#include "display/SoundFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/LogManager.h"

namespace vx {

namespace {

// Samples read at a time.
const unsigned long long READ_SAMPLES = 1 << 16;

// Bytes a stream reads ahead.
const size_t STREAM_BUFFER = 1 << 14;

// The sub-format of an extensible WAV holding PCM.
const unsigned char PCM_SUBFORMAT[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                         0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};
const unsigned int PCM = 1;
const unsigned int EXTENSIBLE = 0xfffe;

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

bool readExactly(const platform::RegularFile &file, unsigned long long at, unsigned char *to,
                 unsigned long long count) {
  return file.readAt(at, to, count) == static_cast<int64_t>(count);
}

} // namespace

SoundFile::Stream::Stream(const platform::RegularFile &file)
    : m_file(file), m_at(0), m_buffer(STREAM_BUFFER), m_buffer_at(0), m_buffer_bytes(0) {}

sf::Int64 SoundFile::Stream::read(void *data, sf::Int64 size) {
  if (size < 0) return -1;
  char *to = static_cast<char *>(data);
  sf::Int64 done = 0;
  while (done < size) {
    if (m_at < m_buffer_at || m_at >= m_buffer_at + m_buffer_bytes) {
      // A large read goes straight to the file.
      if (size - done >= sf::Int64(m_buffer.size())) {
        int64_t got = m_file.readAt(uint64_t(m_at), to + done, uint64_t(size - done));
        if (got < 0) return done > 0 ? done : -1;
        m_at += got;
        return done + got;
      }
      int64_t got = m_file.readAt(uint64_t(m_at), m_buffer.data(), m_buffer.size());
      m_buffer_at = m_at;
      m_buffer_bytes = got > 0 ? got : 0;
      if (got < 0) return done > 0 ? done : -1;
      if (got == 0) break;
    }
    sf::Int64 take = std::min(size - done, m_buffer_at + m_buffer_bytes - m_at);
    std::memcpy(to + done, m_buffer.data() + (m_at - m_buffer_at), size_t(take));
    done += take;
    m_at += take;
  }
  return done;
}

// As the library's own file stream: any place from 0 on, past the end too.
sf::Int64 SoundFile::Stream::seek(sf::Int64 position) {
  if (position < 0) return -1;
  m_at = position;
  return m_at;
}

sf::Int64 SoundFile::Stream::tell() { return m_at; }

sf::Int64 SoundFile::Stream::getSize() { return static_cast<sf::Int64>(m_file.size()); }

SoundFile::SoundFile(const std::string &caller)
    : m_file(), m_check_stream(m_file), m_play_stream(m_file), m_p_input(), m_filename(), m_caller(caller),
      m_bytes(0) {}

int SoundFile::refuse(const char *why) const {
  LogManager::getInstance().writeLog("%s: Error! '%s' %s.", m_caller.c_str(), m_filename.c_str(), why);
  return -1;
}

// Walks the chunks as the audio library does: back to back with no
// padding, each format chunk before the data read in turn (the last one
// counts), the data chunk's size in whole samples. Whatever the library
// would misread or refuse is refused here.
int SoundFile::readWavHeader(WavHeader &header) const {
  char why[96];
  unsigned long long at = 12;
  unsigned long long width = 0;
  for (int chunk = 0;; chunk++) {
    unsigned char head[8];
    if (at >= m_bytes) return refuse("has no data chunk");
    if (m_bytes - at < 8 || !readExactly(m_file, at, head, sizeof(head)))
      return refuse("has a chunk running past its end");
    unsigned long long size = le32(head + 4);
    at += 8;
    if (std::memcmp(head, "data", 4) == 0) {
      // Without a format the library would divide by zero.
      if (width == 0) return refuse("has its data before its format");
      header.samples = size / width;
      return 0;
    }
    if (chunk == MAX_WAV_CHUNKS) {
      std::snprintf(why, sizeof(why), "has more than %d chunks before its data", MAX_WAV_CHUNKS);
      return refuse(why);
    }
    if (size > m_bytes - at) return refuse("has a chunk running past its end");
    if (std::memcmp(head, "fmt ", 4) == 0) {
      // The library reads 16 bytes of any format and 40 of an extensible
      // one, beyond the chunk when it is shorter.
      unsigned char fmt[40];
      if (size < 16 || !readExactly(m_file, at, fmt, std::min<unsigned long long>(size, sizeof(fmt))))
        return refuse("has a format chunk too short for its format");
      unsigned int format = le16(fmt), bits = le16(fmt + 14);
      if (format != PCM && format != EXTENSIBLE) {
        std::snprintf(why, sizeof(why), "is in WAV format %u; only PCM can be read", format);
        return refuse(why);
      }
      if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        std::snprintf(why, sizeof(why), "has %u-bit samples; only 8, 16, 24 or 32 can be read", bits);
        return refuse(why);
      }
      if (format == EXTENSIBLE) {
        if (size < sizeof(fmt)) return refuse("has a format chunk too short for its format");
        if (std::memcmp(fmt + 24, PCM_SUBFORMAT, 16) != 0) return refuse("is in a WAV format other than PCM");
        if (le16(fmt + 18) != bits) {
          std::snprintf(why, sizeof(why), "has %u valid bits in %u-bit samples", le16(fmt + 18), bits);
          return refuse(why);
        }
      }
      header.channels = le16(fmt + 2);
      header.rate = static_cast<unsigned int>(le32(fmt + 4));
      header.block_align = le16(fmt + 12);
      width = bits / 8;
    }
    at += size;
  }
}

int SoundFile::open(const std::string &filename, bool whole) {
  m_filename = filename;
  m_p_input.reset();
  int opened = m_file.open(filename);
  if (opened == platform::RegularFile::NOT_REGULAR) return refuse("is not a regular file");
  if (opened != 0) return -1;
  m_bytes = m_file.size();
  unsigned char head[12] = {};
  int64_t got = m_file.readAt(0, head, sizeof(head));
  bool wav = got == int64_t(sizeof(head)) && std::memcmp(head, "RIFF", 4) == 0 &&
             std::memcmp(head + 8, "WAVE", 4) == 0;
  bool other = got >= 4 && (std::memcmp(head, "OggS", 4) == 0 || std::memcmp(head, "fLaC", 4) == 0);
  other = other || (got >= 3 && std::memcmp(head, "ID3", 3) == 0);
  // The library's probe of the formats can read a file through: what it
  // would refuse is refused first.
  if (!wav && !other) return refuse("is not a WAV, Ogg or FLAC file");
  WavHeader header;
  if (wav) {
    if (readWavHeader(header) != 0 || check(header.channels, header.rate, header.samples, wav, whole) != 0)
      return -1;
    if (header.block_align == 0) return refuse("has a block align of 0");
  }

  m_p_input.reset(new sf::InputSoundFile());
  if (!m_p_input->openFromStream(m_check_stream)) return -1;
  unsigned int channels = m_p_input->getChannelCount(), rate = m_p_input->getSampleRate();
  unsigned long long samples = m_p_input->getSampleCount();
  // The library picks its reader by what it finds anywhere in the file.
  if (wav && (channels != header.channels || rate != header.rate || samples != header.samples)) {
    char why[200];
    std::snprintf(why, sizeof(why),
                  "opens as %llu samples of %u channels at %u Hz, where its header gives %llu of %u at %u", samples,
                  channels, rate, header.samples, header.channels, header.rate);
    return refuse(why);
  }
  return check(channels, rate, samples, wav, whole);
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
  if (!m_p_input) return -1;
  unsigned long long claimed = m_p_input->getSampleCount();
  samples.clear();
  samples.reserve(size_t(std::min(claimed, m_bytes)));
  while (samples.size() < claimed) {
    size_t have = samples.size();
    size_t piece = size_t(std::min(READ_SAMPLES, claimed - have));
    samples.resize(have + piece);
    unsigned long long got = m_p_input->read(&samples[have], piece);
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

int SoundFile::openMusic(sf::Music &music) {
  if (!m_p_input) return -1;
  if (!music.openFromStream(m_play_stream)) return -1;
  // The same reader on the same open file: anything else means the file
  // was written to meanwhile.
  bool same = music.getChannelCount() == m_p_input->getChannelCount() &&
              music.getSampleRate() == m_p_input->getSampleRate() &&
              music.getDuration() == m_p_input->getDuration();
  m_p_input.reset();
  if (!same) return refuse("changed while it was opened");
  return 0;
}

unsigned int SoundFile::getChannelCount() const { return m_p_input ? m_p_input->getChannelCount() : 0; }
unsigned int SoundFile::getSampleRate() const { return m_p_input ? m_p_input->getSampleRate() : 0; }

} // namespace vx
