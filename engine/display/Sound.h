#pragma once

#include <memory>
#include <string>

#include <SFML/Audio.hpp>

namespace vx {

// One short sound held in memory. The samples and the playing object are
// created by the first load, so an unused sound never touches the audio
// device. Moving a sound moves both with it.
class Sound {
 private:
  std::unique_ptr<sf::SoundBuffer> m_p_sound_buffer;
  std::unique_ptr<sf::Sound> m_p_sound;  // plays the samples above
  std::string m_label;

  void release();

 public:
  Sound();
  ~Sound();
  Sound(const Sound &other);
  Sound &operator=(const Sound &other);
  Sound(Sound &&other) noexcept;
  Sound &operator=(Sound &&other) noexcept;

  int loadSound(std::string filename);

  void setLabel(std::string new_label);
  std::string getLabel() const;

  void play(bool loop);
  void stop();
  void pause();

  // A copy of the playing object; a silent default one before any load.
  sf::Sound getSound() const;
};

} // namespace vx
