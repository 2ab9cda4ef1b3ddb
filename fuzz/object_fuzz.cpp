// libFuzzer target for object attribute records: each input is read by
// Object::deserialize and by ViewObject::deserialize. After each read the
// world's indices must be consistent, the object must survive world steps
// and draws (headless), and a record written from the result must read back.
// Interests route as in the game: an object's interest in the step, read
// from a record or registered after it, reaches the game manager's steps.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "../tests/support/WorldCheck.h"
#include "core/Config.h"
#include "core/EventStep.h"
#include "core/LogManager.h"
#include "display/DisplayManager.h"
#include "display/ResourceManager.h"
#include "loop/GameManager.h"
#include "world/Object.h"
#include "world/ViewObject.h"
#include "world/WorldManager.h"

namespace {

const size_t MAX_INPUT = 64 * 1024;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// Restarts the id counter, so that a large id read from one input does not
// run it out over the following ones.
class IdCounter : public vx::Object {
 public:
  static void reset() { s_next_id = 1; }
};

// Counts the steps the game manager delivers to it.
class StepCounter : public vx::Object {
 public:
  int steps = 0;
  int eventHandler(const vx::Event *p_e) override {
    if (p_e->getType() == vx::EVENT_STEP) steps++;
    return vx::Object::eventHandler(p_e);
  }
};

int stepInterests(const vx::Object &o) {
  int n = 0;
  for (int i = 0; i < o.getEventCount(); i++) n += o.getEventName(i) == vx::EVENT_STEP;
  return n;
}

// One step sent as the loop sends it, by the game manager that the world's
// objects find: heard by the object exactly when it is active and registered
// for the step.
void checkStep(StepCounter *p_o) {
  vx::Manager *p_game = vx::Manager::find("GameManager");
  check(p_game != nullptr);
  const int before = p_o->steps;
  vx::EventStep step(0);
  p_game->onEvent(&step);
  check(p_o->steps - before == (p_o->isActive() && stepInterests(*p_o) > 0 ? 1 : 0));
}

void readInto(vx::Object *p_o, const uint8_t *data, size_t size) {
  std::stringstream ss;
  ss.write(reinterpret_cast<const char *>(data), std::streamsize(size));
  unsigned int attr = 0;
  int r = p_o->deserialize(&ss, &attr);
  check(r == 0 || r == -1);
  check(vx::test::checkWorld().empty());

  // Motion (velocity, acceleration, path) and drawing of whatever was read.
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  for (int i = 0; i < 2; i++) {
    wm.update();
    wm.draw();
  }
  check(vx::test::checkWorld().empty());

  // Whatever was applied must survive a full record.
  std::stringstream out;
  check(p_o->serialize(&out, vx::ALL_ATTRIBUTES) == 0);
  vx::Object *p_copy = new vx::Object;
  check(p_copy->deserialize(&out, nullptr) == 0);
  check(p_copy->getType() == p_o->getType() && p_copy->getEventCount() == p_o->getEventCount());
  delete p_copy;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  vx::Config::getInstance().loadConfig("headless:true,networking:false,");
  vx::LogManager &log = vx::LogManager::getInstance();
  log.startUp();
  log.setLogLevel(25);  // run every trace line's formatting too

  // One sprite a record can name.
  char tmpl[] = "/tmp/vx-object-fuzz-XXXXXX";
  int fd = mkstemp(tmpl);
  if (fd >= 0) {
    const char sprite[] = "2\n3\n1\n4\ngreen\nabc\ndef\n";
    if (write(fd, sprite, sizeof(sprite) - 1) < 0) {
    }
    close(fd);
  }
  vx::DisplayManager::getInstance().startUp();
  vx::ResourceManager::getInstance().startUp();
  vx::ResourceManager::getInstance().loadSprite(tmpl, "ser");
  unlink(tmpl);

  // The managers above the core, as the game has them.
  vx::GameManager::getInstance();
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  wm.startUp();
  wm.setBoundary(vx::Box(vx::Vector(0, 0), 80, 24));
  wm.setView(vx::Box(vx::Vector(0, 0), 80, 24));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > MAX_INPUT) size = MAX_INPUT;
  IdCounter::reset();
  StepCounter *p_o = new StepCounter;
  readInto(p_o, data, size);
  checkStep(p_o);
  if (p_o->getEventCount() < vx::MAX_OBJ_EVENTS) {
    check(p_o->registerInterest(vx::EVENT_STEP) == 0);
    checkStep(p_o);
  }
  delete p_o;
  IdCounter::reset();
  vx::ViewObject *p_v = new vx::ViewObject;
  readInto(p_v, data, size);
  delete p_v;
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  check(wm.getAllObjects(true).getCount() == 0);
  // Type entries (one per type name read) last until the map is cleared.
  wm.getSceneGraph().restart();
  return 0;
}
