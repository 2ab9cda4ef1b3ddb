// libFuzzer target for the two sprite file readers: each input is written to
// a file and loaded through the resource manager, drawn through an animation
// (headless) and unloaded.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Config.h"
#include "core/LogManager.h"
#include "display/Animation.h"
#include "display/DisplayManager.h"
#include "display/ResourceManager.h"

namespace {
std::string g_path;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("VEXMOOR_LOG", "/dev/null", 1);
  char tmpl[] = "/tmp/vx-sprite-fuzz-XXXXXX";
  int fd = mkstemp(tmpl);
  if (fd >= 0) close(fd);
  g_path = tmpl;
  vx::LogManager &log = vx::LogManager::getInstance();
  log.startUp();
  log.setLogLevel(20);  // run every trace line's formatting too
  vx::ResourceManager::getInstance().startUp();
  vx::Config::getInstance().setHeadless(true);
  vx::DisplayManager::getInstance().startUp();
  atexit([] { unlink(g_path.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *f = fopen(g_path.c_str(), "wb");
  if (!f) return 0;
  if (size > 0) fwrite(data, 1, size, f);
  fclose(f);

  vx::ResourceManager &rm = vx::ResourceManager::getInstance();
  if (rm.loadSprite(g_path, "fuzz") == 0) {
    vx::Sprite *p = rm.getSprite("fuzz");
    if (p) {
      // Loaded frames must hold exactly width x height characters.
      for (int i = 0; i < p->getFrameCount(); i++) {
        vx::Frame frame = p->getFrame(i);
        if (int64_t(frame.getString().size()) != int64_t(p->getWidth()) * p->getHeight()) abort();
      }
      // Step through the frames from an index and count taken from the
      // input, as a record or a setter may give them.
      vx::Animation a;
      a.setSprite(p);
      int32_t v = 0;
      memcpy(&v, data, size < sizeof(v) ? size : sizeof(v));
      a.setIndex(v);
      a.setSlowdownCount(v);
      for (int i = 0; i < 64; i++) a.draw(vx::Vector(0, 0));
      // The largest index and count step back to the first frame.
      a.setIndex(INT_MAX);
      a.setSlowdownCount(INT_MAX);
      a.draw(vx::Vector(0, 0));
      if (a.getIndex() != 0 || a.getSlowdownCount() != 0) abort();
    }
    rm.unloadSprite("fuzz");
  }
  return 0;
}
