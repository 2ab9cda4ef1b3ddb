#pragma once

#include <istream>
#include <memory>
#include <string>

#include "core/Manager.h"
#include "display/LabelledTable.h"
#include "display/Music.h"
#include "display/Sound.h"
#include "display/Sprite.h"

namespace vx {

const int MAX_SPRITES = 1000;
const int MAX_SOUNDS = 100;
const int MAX_MUSICS = 50;

// Owns every loaded sprite, sound and music; finds them by label.
class ResourceManager : public Manager {
 private:
  ResourceManager();
  ResourceManager(const ResourceManager &) = delete;
  void operator=(const ResourceManager &) = delete;

  std::unique_ptr<Sprite> m_p_sprite[MAX_SPRITES];
  int m_sprite_count;
  LabelledTable<Sound, MAX_SOUNDS> m_sound;
  LabelledTable<Music, MAX_MUSICS> m_music;

  // Logs "not started!" and returns true while the manager is not started.
  bool refuseUnstarted() const;
  // Readers of the two sprite file formats: a new sprite, or null.
  std::unique_ptr<Sprite> loadSimpleSprite(std::istream *p_file);
  std::unique_ptr<Sprite> loadRobustSprite(std::istream *p_file);
  // The frames of a loaded sprite, row by row (level 15).
  void logFrames(const Sprite &sprite) const;

 public:
  ~ResourceManager() override;
  static ResourceManager &getInstance();

  int startUp() override;
  void shutDown() override;

  int loadSprite(std::string filename, std::string label);
  int unloadSprite(std::string label);
  Sprite *getSprite(std::string label) const;

  int loadSound(std::string filename, std::string label);
  int unloadSound(std::string label);
  Sound *getSound(std::string label);

  int loadMusic(std::string filename, std::string label);
  int unloadMusic(std::string label);
  Music *getMusic(std::string label);
};

} // namespace vx
