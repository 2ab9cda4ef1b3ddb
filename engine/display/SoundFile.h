#pragma once

#include <string>
#include <vector>

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Config.hpp>

namespace vx {

// A sound or music file opened for reading, its header checked against the
// file's size and against what can be played before anything is allocated
// for it. Log lines begin with the caller's name.
class SoundFile {
 private:
  sf::InputSoundFile m_input;
  std::string m_filename;
  std::string m_caller;
  unsigned long long m_bytes;  // size of the file

  // 0 when a file of channels, rate and samples can be played (and, with
  // whole, loaded whole); otherwise -1 with a line.
  int check(unsigned int channels, unsigned int rate, unsigned long long samples, bool wav, bool whole) const;

 public:
  // Most samples a sound loaded whole may have, whatever its format.
  static constexpr unsigned long long MAX_WHOLE_SAMPLES = 1ull << 26;
  // The highest rate audio hardware runs at.
  static constexpr unsigned int MAX_SAMPLE_RATE = 384000;

  explicit SoundFile(const std::string &caller);

  // 0 when the file opens and what its header claims can be played (and,
  // with whole, loaded whole into memory); otherwise -1, with a line unless
  // the file could not be opened or read as sound at all.
  int open(const std::string &filename, bool whole);

  // Reads every sample the header claims, in pieces, so memory follows the
  // data that is really there. -1 with a line when the file ends early.
  int readAll(std::vector<sf::Int16> &samples);

  unsigned int getChannelCount() const;
  unsigned int getSampleRate() const;
};

} // namespace vx
