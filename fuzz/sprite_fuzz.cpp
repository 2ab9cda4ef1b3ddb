// libFuzzer target for the two sprite file readers: each input is written to
// a file and loaded through the resource manager, then unloaded.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/LogManager.h"
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
    }
    rm.unloadSprite("fuzz");
  }
  return 0;
}
