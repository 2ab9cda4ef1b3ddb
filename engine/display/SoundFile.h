#pragma once

#include <memory>
#include <string>
#include <vector>

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Music.hpp>
#include <SFML/Config.hpp>
#include <SFML/System/InputStream.hpp>

#include "platform/RegularFile.h"

namespace vx {

// A sound or music file opened for reading, its header checked against the
// file's size and against what can be played before anything is allocated
// for it. A WAV file is decided from the engine's own reading of its
// header; the audio library then reads the same open file, and must find
// what that reading found. Log lines begin with the caller's name.
class SoundFile {
 private:
  // The open file as the audio library reads it, each reader at its own
  // place. Its many small reads are served from a buffer.
  class Stream : public sf::InputStream {
   private:
    const platform::RegularFile &m_file;
    sf::Int64 m_at;
    std::vector<char> m_buffer;
    sf::Int64 m_buffer_at;     // where in the file the buffer starts
    sf::Int64 m_buffer_bytes;  // bytes in it

   public:
    explicit Stream(const platform::RegularFile &file);
    sf::Int64 read(void *data, sf::Int64 size) override;
    sf::Int64 seek(sf::Int64 position) override;
    sf::Int64 tell() override;
    sf::Int64 getSize() override;
  };

  // What a WAV file's header gives.
  struct WavHeader {
    unsigned int channels = 0;
    unsigned int rate = 0;
    unsigned int block_align = 0;
    unsigned long long samples = 0;
  };

  platform::RegularFile m_file;
  Stream m_check_stream;  // read by m_p_input
  Stream m_play_stream;   // read by a music stream
  std::unique_ptr<sf::InputSoundFile> m_p_input;
  std::string m_filename;
  std::string m_caller;
  unsigned long long m_bytes;  // size of the file

  // 0 when a file of channels, rate and samples can be played (and, with
  // whole, loaded whole); otherwise -1 with a line.
  int check(unsigned int channels, unsigned int rate, unsigned long long samples, bool wav, bool whole) const;
  // 0 with the header of a WAV file the audio library reads as it says;
  // otherwise -1 with a line.
  int readWavHeader(WavHeader &header) const;
  int refuse(const char *why) const;

  SoundFile(const SoundFile &) = delete;
  SoundFile &operator=(const SoundFile &) = delete;

 public:
  // Most samples a sound loaded whole may have, whatever its format.
  static constexpr unsigned long long MAX_WHOLE_SAMPLES = 1ull << 26;
  // The highest rate audio hardware runs at.
  static constexpr unsigned int MAX_SAMPLE_RATE = 384000;
  // Chunks of a WAV file walked before its data; past them it is refused.
  static const int MAX_WAV_CHUNKS = 1024;

  explicit SoundFile(const std::string &caller);

  // 0 when the file opens and what its header claims can be played (and,
  // with whole, loaded whole into memory); otherwise -1, with a line unless
  // the file could not be opened or read as sound at all.
  int open(const std::string &filename, bool whole);

  // Reads every sample the header claims, in pieces, so memory follows the
  // data that is really there. -1 with a line when the file ends early.
  int readAll(std::vector<sf::Int16> &samples);

  // Opens music on the file open() checked, which then stays open for it:
  // the music must be done with it (reopened or destroyed) before this
  // goes. 0 when it streams what was checked; -1 otherwise, with a line
  // when the file differs from what was checked.
  int openMusic(sf::Music &music);

  unsigned int getChannelCount() const;
  unsigned int getSampleRate() const;
};

} // namespace vx
