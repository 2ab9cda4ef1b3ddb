#include "display/Music.h"

#include <new>

#include "core/LogManager.h"
#include "display/SoundFile.h"

namespace vx {

Music::Music() : m_p_music(), m_label("[Undefined]") {}

Music::~Music() {}

sf::Music *Music::getMusic() {
  if (!m_p_music) m_p_music.reset(new (std::nothrow) sf::Music());
  return m_p_music.get();
}

int Music::loadMusic(std::string filename) {
  try {
    SoundFile file("Music::loadMusic()");
    if (file.open(filename, false) != 0) return -1;
    sf::Music *p_music = getMusic();
    if (!p_music) return -1;
    if (!p_music->openFromFile(filename)) return -1;
  } catch (const std::bad_alloc &) {
    LogManager::getInstance().writeLog("Music::loadMusic(): Error! Out of memory opening '%s'.", filename.c_str());
    return -1;
  }
  return 0;
}

void Music::setLabel(std::string new_label) { m_label = new_label; }
std::string Music::getLabel() const { return m_label; }

void Music::play(bool loop) {
  LogManager::getInstance().writeLog(5, "Music::play(): Playing music.");
  if (m_p_music) {
    m_p_music->play();
    m_p_music->setLoop(loop);
  }
}

void Music::stop() {
  LogManager::getInstance().writeLog(5, "Music::stop(): Stopping music.");
  if (m_p_music) m_p_music->stop();
}

void Music::pause() {
  LogManager::getInstance().writeLog(5, "Music::pause(): Pausing music.");
  if (m_p_music) m_p_music->pause();
}

}  // namespace vx
