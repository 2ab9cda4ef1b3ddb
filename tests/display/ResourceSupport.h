#pragma once
// Shared set-up of the resource tests: a private log, the log and resource
// managers started, log lines read back without prefixes, and a writer of
// small PCM WAV files.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "core/LogManager.h"
#include "display/ResourceManager.h"
#include "support/TestEnv.h"

namespace vx {
namespace test {

inline std::string spritePath(const std::string &name) {
  return std::string(VX_TEST_DATA) + "/sprites/" + name;
}

// PCM WAV of count samples (a square wave) at rate, mono and 16-bit unless
// told otherwise; its header may claim other than count samples of data.
inline bool writeWav(const std::string &path, uint32_t count, uint32_t rate = 22050, uint16_t channels = 1,
                     uint32_t claimed_samples = 0, uint16_t bits = 16) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char *>(&v), 4); };
  auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char *>(&v), 2); };
  uint32_t width = bits / 8;
  uint32_t data_bytes = (claimed_samples != 0 ? claimed_samples : count) * width;
  f.write("RIFF", 4);
  u32(36 + data_bytes);
  f.write("WAVE", 4);
  f.write("fmt ", 4);
  u32(16);
  u16(1);  // PCM
  u16(channels);
  u32(rate);
  u32(rate * channels * width);  // bytes per second
  u16(uint16_t(channels * width));  // block align
  u16(bits);
  f.write("data", 4);
  u32(data_bytes);
  std::vector<char> piece;
  for (uint32_t i = 0; i < count; i++) {
    // 8-bit samples are unsigned around 128, 16-bit ones signed.
    bool high = (i / 50) % 2;
    int16_t v = bits == 8 ? int16_t(high ? 160 : 96) : int16_t(high ? 8000 : -8000);
    piece.insert(piece.end(), reinterpret_cast<const char *>(&v), reinterpret_cast<const char *>(&v) + width);
    if (piece.size() >= (1u << 20) || i + 1 == count) {
      f.write(piece.data(), std::streamsize(piece.size()));
      piece.clear();
    }
  }
  return bool(f);
}

class ResourceTest : public ::testing::Test {
 protected:
  TestEnv env;
  size_t m_mark = 0;

  void SetUp() override {
    setenv("ALSOFT_DRIVERS", "null", 1);
    ASSERT_EQ(0, LogManager::getInstance().startUp());
    ASSERT_EQ(0, ResourceManager::getInstance().startUp());
    mark();
  }

  void TearDown() override {
    if (ResourceManager::getInstance().isStarted()) ResourceManager::getInstance().shutDown();
  }


  ResourceManager &rm() { return ResourceManager::getInstance(); }
  void level(int n) {
    LogManager::getInstance().setLogLevel(n);
    mark();
  }

  // Log lines written since the last mark (prefixes removed).
  std::vector<std::string> since() {
    std::vector<std::string> all = env.logLines();
    if (m_mark > all.size()) return {};
    return std::vector<std::string>(all.begin() + std::ptrdiff_t(m_mark), all.end());
  }
  void mark() { m_mark = env.logLines().size(); }

  // Loads a sample sprite and returns the lines written meanwhile.
  std::vector<std::string> load(const std::string &name, int expect, const std::string &label = "s") {
    mark();
    EXPECT_EQ(expect, rm().loadSprite(spritePath(name), label)) << name;
    std::vector<std::string> lines = since();
    mark();
    return lines;
  }
};

}  // namespace test
}  // namespace vx
