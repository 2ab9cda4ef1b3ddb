#include "display/ResourceManager.h"

#include <utility>

#include "core/LogManager.h"
#include "core/Utility.h"
#include "display/SpriteReader.h"
#include "platform/RegularFile.h"

namespace vx {

namespace {

// How the loads and look-ups of one kind of labelled resource are logged.
struct TableTexts {
  const char *full;         // with the maximum
  const char *no_label;     // null when any label will do
  const char *load_failed;  // with the file name
  const char *loaded;       // level 1, with the label
  const char *looking;      // level 5, with the label
  const char *not_found;    // with the label
};

const TableTexts SOUND_TEXTS = {
    "RM::loadSound(): Error! Unable to add more sounds (max is %d).",
    nullptr,
    "RM::loadSound(): Error! Cannot load sound from file '%s'.",
    "RM::loadSound(): Sound '%s' successfully loaded.",
    "RM::getSound(): Looking for sound '%s'.",
    "RM::getSound(): Warning! Sound '%s' not found.",
};

const TableTexts MUSIC_TEXTS = {
    "RM::loadMusic(): Error! Unable to add more musics (max is %d).",
    "RM::loadMusic(): Error! Must provide label for music.",
    "RM::loadmusic(): Error! Cannot load music from file '%s'.",  // lower-case "loadmusic" kept verbatim
    "RM::loadMusic(): Music '%s' successfully loaded.",
    "RM::getMusic(): Looking for music '%s'.",
    "RM::getMusic(): Warning! Music '%s' not found.",
};

// Loads filename into the table's next free slot with load, under label.
template <class T, int N>
int loadInto(LabelledTable<T, N> &table, const TableTexts &texts, int (T::*load)(std::string),
             const std::string &filename, const std::string &label) {
  LogManager &log = LogManager::getInstance();
  if (table.full()) {
    log.writeLog(texts.full, N);
    return -1;
  }
  if (texts.no_label != nullptr && label.empty()) {
    log.writeLog("%s", texts.no_label);
    return -1;
  }
  // A failed load leaves the slot free for the next one.
  if ((table.next().*load)(filename) == -1) {
    log.writeLog(texts.load_failed, filename.c_str());
    return -1;
  }
  table.add(label);
  log.writeLog(1, texts.loaded, label.c_str());
  return 0;
}

// The first resource with label, or null; both logged.
template <class T, int N>
T *lookUp(LabelledTable<T, N> &table, const TableTexts &texts, const std::string &label) {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, texts.looking, label.c_str());
  int i = table.find(label);
  if (i >= 0) return &table.at(i);
  log.writeLog(texts.not_found, label.c_str());
  return nullptr;
}

} // namespace

ResourceManager::ResourceManager() : m_p_sprite(), m_sprite_count(0), m_sound(), m_music() {
  setType("ResourceManager");
}

ResourceManager::~ResourceManager() {}

bool ResourceManager::refuseUnstarted() const {
  if (isStarted()) return false;
  LogManager::getInstance().writeLog("%s not started!", getType().c_str());
  return true;
}

ResourceManager &ResourceManager::getInstance() {
  static ResourceManager resource_manager;
  return resource_manager;
}

int ResourceManager::startUp() {
  LogManager &log = LogManager::getInstance();
  if (refuseSecondStartUp()) return -1;
  m_sprite_count = 0;
  m_sound.clear();
  m_music.clear();
  Manager::startUp();
  log.writeLog(5, "RM::startUp(): successfully started.");
  return 0;
}

void ResourceManager::shutDown() {
  for (int i = 0; i < m_sprite_count; i++) m_p_sprite[i].reset();
  m_sprite_count = 0;
  for (int i = 0; i < m_sound.count(); i++) m_sound.at(i).stop();
  for (int i = 0; i < m_music.count(); i++) m_music.at(i).stop();
  Manager::shutDown();
  LogManager::getInstance().writeLog(5, "RM::shutDown(): successfully stopped.");
}

int ResourceManager::loadSprite(std::string filename, std::string label) {
  LogManager &log = LogManager::getInstance();
  if (refuseUnstarted()) {
    return -1;
  }
  if (m_sprite_count >= MAX_SPRITES) {
    // Both lines name the robust reader, as they always have: kept verbatim.
    log.writeLog("RM::loadRobustSprite(): Error! Cannot add more Sprites (max is %d).", MAX_SPRITES);
    log.writeLog("RM::loadRobustSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
  }
  log.writeLog(1, "RM::loadSprite(): Loading sprite '%s'.", filename.c_str());

  platform::RegularFile in;
  int opened = in.open(filename);
  if (opened != 0) {
    if (opened == platform::RegularFile::NOT_REGULAR)
      log.writeLog("RM::loadSprite(): Error! '%s' is not a regular file.", filename.c_str());
    else
      log.writeLog("RM::loadSprite(): Error! Cannot open file '%s'.", filename.c_str());
    log.writeLog("RM::loadSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
  }
  std::istream file(&in);

  // The first line tells the format.
  std::string first = SpriteReader(file).firstLine();
  std::unique_ptr<Sprite> p_sprite;
  if (first == "<HEADER>") {
    log.writeLog(5, "RM::loadSprite(): assuming robust sprite file format.");
    p_sprite = loadRobustSprite(&file);
  } else if (parseInt(first) >= 1) {
    log.writeLog(5, "RM::loadSprite(): assuming simple sprite file format.");
    p_sprite = loadSimpleSprite(&file);
  } else {
    log.writeLog("RM::loadSprite(): Error! Unknown sprite file format.");
    log.writeLog("RM::loadSprite(): First line is '%s'.", first.c_str());
    log.writeLog("RM::loadSprite(): Sprite '%s' NOT loaded.", label.c_str());
    return -1;
  }

  if (!p_sprite) {
    log.writeLog("RM::loadSprite(): Sprite '%s' NOT loaded.", label.c_str());
    return -1;
  }

  p_sprite->setLabel(label);
  m_p_sprite[m_sprite_count] = std::move(p_sprite);
  m_sprite_count++;
  logFrames(*m_p_sprite[m_sprite_count - 1]);
  log.writeLog(5, "RM::loadSprite(): Sprite '%s' loaded.", label.c_str());
  return 0;
}

void ResourceManager::logFrames(const Sprite &sprite) const {
  LogManager &log = LogManager::getInstance();
  if (log.getLogLevel() < 15) return;
  log.writeLog(15, "RM::loadSprite(): Sprite '%s' frames:", sprite.getLabel().c_str());
  size_t width = size_t(sprite.getWidth() > 0 ? sprite.getWidth() : 0);
  for (int i = 0; i < sprite.getFrameCount(); i++) {
    log.writeLog(15, "\tFrame %d:", i + 1);
    std::string str = sprite.getFrame(i).getString();
    for (int r = 0; r < sprite.getHeight(); r++) {
      size_t start = size_t(r) * width;
      std::string row = start < str.size() ? str.substr(start, width) : "";
      log.writeLog(15, "\t%s", row.c_str());
    }
  }
}

// Each reader starts at line 1 of the file.
std::unique_ptr<Sprite> ResourceManager::loadSimpleSprite(std::istream *p_file) {
  if (refuseUnstarted()) return nullptr;
  return SpriteReader(*p_file).readSimple();
}

std::unique_ptr<Sprite> ResourceManager::loadRobustSprite(std::istream *p_file) {
  if (refuseUnstarted()) return nullptr;
  return SpriteReader(*p_file).readRobust();
}

int ResourceManager::unloadSprite(std::string label) {
  if (refuseUnstarted()) {
    return -1;
  }
  for (int i = 0; i < m_sprite_count; i++) {
    if (m_p_sprite[i]->getLabel() != label) continue;
    m_p_sprite[i].reset();
    for (int j = i; j < m_sprite_count - 1; j++) m_p_sprite[j] = std::move(m_p_sprite[j + 1]);
    m_sprite_count--;
    return 0;
  }
  return -1;
}

Sprite *ResourceManager::getSprite(std::string label) const {
  LogManager &log = LogManager::getInstance();
  log.writeLog(5, "RM::getSprite(): Looking for sprite '%s'.", label.c_str());
  for (int i = 0; i < m_sprite_count; i++)
    if (m_p_sprite[i]->getLabel() == label) return m_p_sprite[i].get();
  log.writeLog("RM::getSprite(): Warning! Sprite '%s' not found.", label.c_str());
  return nullptr;
}

int ResourceManager::loadSound(std::string filename, std::string label) {
  if (refuseUnstarted()) return -1;
  return loadInto(m_sound, SOUND_TEXTS, &Sound::loadSound, filename, label);
}

int ResourceManager::unloadSound(std::string label) {
  if (refuseUnstarted()) return -1;
  int i = m_sound.find(label);
  if (i < 0) return -1;
  // Each later sound moves down with its own samples and playing object.
  m_sound.remove(i);
  return 0;
}

Sound *ResourceManager::getSound(std::string label) { return lookUp(m_sound, SOUND_TEXTS, label); }

int ResourceManager::loadMusic(std::string filename, std::string label) {
  if (refuseUnstarted()) return -1;
  return loadInto(m_music, MUSIC_TEXTS, &Music::loadMusic, filename, label);
}

// A music stream never moves: its slot stays in use under no label.
int ResourceManager::unloadMusic(std::string label) {
  if (refuseUnstarted()) return -1;
  int i = m_music.find(label);
  if (i < 0) return -1;
  m_music.at(i).setLabel("");
  return 0;
}

Music *ResourceManager::getMusic(std::string label) { return lookUp(m_music, MUSIC_TEXTS, label); }

}  // namespace vx
