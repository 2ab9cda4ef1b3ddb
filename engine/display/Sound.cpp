#include "display/Sound.h"

#include <new>
#include <vector>

#include "core/LogManager.h"
#include "display/SoundFile.h"

namespace vx {

Sound::Sound() : m_p_sound_buffer(), m_p_sound(), m_label("[Undefined]") {}

Sound::~Sound() { release(); }

// Playing object first: it must not outlive the samples it plays.
void Sound::release() {
  if (m_p_sound) m_p_sound->stop();
  m_p_sound.reset();
  m_p_sound_buffer.reset();
}

Sound::Sound(const Sound &other) : m_p_sound_buffer(), m_p_sound(), m_label(other.m_label) {
  if (other.m_p_sound_buffer) m_p_sound_buffer.reset(new sf::SoundBuffer(*other.m_p_sound_buffer));
  if (other.m_p_sound && m_p_sound_buffer) {
    m_p_sound.reset(new (std::nothrow) sf::Sound(*other.m_p_sound));
    if (m_p_sound) m_p_sound->setBuffer(*m_p_sound_buffer);
  }
}

Sound &Sound::operator=(const Sound &other) {
  if (this == &other) return *this;
  Sound copy(other);
  *this = std::move(copy);
  return *this;
}

// The samples live on the heap, so the playing object stays bound to them
// when the sound moves.
Sound::Sound(Sound &&other) noexcept
    : m_p_sound_buffer(std::move(other.m_p_sound_buffer)),
      m_p_sound(std::move(other.m_p_sound)),
      m_label(std::move(other.m_label)) {
  other.m_label = "[Undefined]";
}

Sound &Sound::operator=(Sound &&other) noexcept {
  if (this == &other) return *this;
  release();
  m_p_sound_buffer = std::move(other.m_p_sound_buffer);
  m_p_sound = std::move(other.m_p_sound);
  m_label = std::move(other.m_label);
  other.m_label = "[Undefined]";
  return *this;
}

int Sound::loadSound(std::string filename) {
  try {
    SoundFile file("Sound::loadSound()");
    std::vector<sf::Int16> samples;
    if (file.open(filename, true) != 0 || file.readAll(samples) != 0) return -1;
    if (!m_p_sound_buffer) m_p_sound_buffer.reset(new sf::SoundBuffer());
    if (!m_p_sound_buffer->loadFromSamples(samples.data(), samples.size(), file.getChannelCount(),
                                           file.getSampleRate()))
      return -1;
  } catch (const std::bad_alloc &) {
    LogManager::getInstance().writeLog("Sound::loadSound(): Error! Out of memory loading '%s'.", filename.c_str());
    return -1;
  }

  if (m_p_sound) {
    m_p_sound->setBuffer(*m_p_sound_buffer);
    return 0;
  }

  m_p_sound.reset(new (std::nothrow) sf::Sound(*m_p_sound_buffer));
  if (!m_p_sound) {
    // Names the member, as the line always has: kept verbatim.
    LogManager::getInstance().writeLog("Sound::loadSound(): Error! Cannot allocate m_p_sound.");
    return -1;
  }
  return 0;
}

void Sound::setLabel(std::string new_label) { m_label = new_label; }
std::string Sound::getLabel() const { return m_label; }

void Sound::play(bool loop) {
  LogManager::getInstance().writeLog(5, "Sound::play(): Playing sound.");
  if (m_p_sound) {
    m_p_sound->play();
    m_p_sound->setLoop(loop);
  }
}

void Sound::stop() {
  if (m_p_sound) m_p_sound->stop();
}

void Sound::pause() {
  if (m_p_sound) m_p_sound->pause();
}

sf::Sound Sound::getSound() const {
  if (!m_p_sound) return sf::Sound();
  return *m_p_sound;
}

}  // namespace vx
