#pragma once

#include <memory>
#include <string>

#include <SFML/Audio.hpp>

namespace vx {

class SoundFile;

// One piece of music streamed from its file. The stream object is created
// on first use, so an unused music never opens the audio device.
class Music {
 private:
  std::unique_ptr<SoundFile> m_p_file;  // streamed by the music below
  std::unique_ptr<sf::Music> m_p_music;
  std::string m_label;

  Music(const Music &) = delete;
  Music &operator=(const Music &) = delete;

 public:
  Music();
  ~Music();

  int loadMusic(std::string filename);

  void setLabel(std::string new_label);
  std::string getLabel() const;

  // The stream, created if it does not exist yet.
  sf::Music *getMusic();

  void play(bool loop);
  void stop();
  void pause();
};

} // namespace vx
