#include "display/Music.h"

#include <new>

#include "core/LogManager.h"
#include "display/SoundFile.h"

namespace vx {

Music::Music() : m_p_file(), m_p_music(), m_label("[Undefined]") {}

// The stream goes before the file it reads.
Music::~Music() { m_p_music.reset(); }

sf::Music *Music::getMusic() {
  if (!m_p_music) m_p_music.reset(new (std::nothrow) sf::Music());
  return m_p_music.get();
}

int Music::loadMusic(std::string filename) {
  try {
    std::unique_ptr<SoundFile> p_file(new SoundFile("Music::loadMusic()"));
    if (p_file->open(filename, false) != 0) return -1;
    sf::Music *p_music = getMusic();
    if (!p_music) return -1;
    int opened = p_file->openMusic(*p_music);
    // The music has let the file before go, and may hold on to this one.
    m_p_file = std::move(p_file);
    if (opened != 0) return -1;
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
