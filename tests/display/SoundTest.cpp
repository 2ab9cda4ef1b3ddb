// Sounds and music: loading, playing, copying and moving, the manager's
// sound and music slots. The tests write their own WAV files and use
// OpenAL's null output (ALSOFT_DRIVERS=null).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SFML/Audio.hpp>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "ResourceSupport.h"
#include "display/Music.h"
#include "display/ResourceManager.h"
#include "display/Sound.h"

using vx::test::ResourceTest;
using vx::test::writeWav;
using Lines = std::vector<std::string>;

class SoundTest : public ResourceTest {
 protected:
  std::string wav(const std::string &name, uint32_t samples) {
    std::string p = env.path(name);
    EXPECT_TRUE(writeWav(p, samples));
    return p;
  }
  static std::size_t samplesOf(const vx::Sound &s) {
    sf::Sound copy = s.getSound();
    return copy.getBuffer() ? copy.getBuffer()->getSampleCount() : 0;
  }
};

TEST_F(SoundTest, NeverLoadedSoundIsHarmless) {
  level(5);
  vx::Sound s;
  EXPECT_EQ("[Undefined]", s.getLabel());
  s.play(true);
  s.pause();
  s.stop();
  EXPECT_EQ(nullptr, s.getSound().getBuffer());
  vx::Sound copy(s);
  vx::Sound moved(std::move(s));
  EXPECT_EQ(nullptr, copy.getSound().getBuffer());
  EXPECT_EQ(nullptr, moved.getSound().getBuffer());
  EXPECT_EQ((Lines{"Sound::play(): Playing sound."}), since());
}

TEST_F(SoundTest, LoadPlayLoopAndReload) {
  vx::Sound s;
  EXPECT_EQ(-1, s.loadSound(env.path("missing.wav")));
  EXPECT_EQ(nullptr, s.getSound().getBuffer());
  ASSERT_EQ(0, s.loadSound(wav("a.wav", 2205)));
  EXPECT_EQ(2205u, samplesOf(s));
  s.play(true);
  EXPECT_TRUE(s.getSound().getLoop());
  s.pause();
  s.stop();
  s.play(false);
  EXPECT_FALSE(s.getSound().getLoop());
  // A second file reuses the playing object, which plays the new samples.
  ASSERT_EQ(0, s.loadSound(wav("b.wav", 441)));
  EXPECT_EQ(441u, samplesOf(s));
  s.play(false);
  s.stop();
}

TEST_F(SoundTest, CopyAndMoveOwnTheirSamples) {
  vx::Sound a;
  ASSERT_EQ(0, a.loadSound(wav("a.wav", 300)));
  a.setLabel("a");
  {
    vx::Sound copy(a);
    EXPECT_EQ("a", copy.getLabel());
    EXPECT_EQ(300u, samplesOf(copy));
    copy.play(false);
  }  // the copy's playing object and samples are its own
  EXPECT_EQ(300u, samplesOf(a));
  a.play(false);

  vx::Sound b(std::move(a));
  EXPECT_EQ(300u, samplesOf(b));
  EXPECT_EQ(nullptr, a.getSound().getBuffer());
  b.play(true);

  vx::Sound c;
  ASSERT_EQ(0, c.loadSound(wav("c.wav", 700)));
  c = std::move(b);
  EXPECT_EQ(300u, samplesOf(c));
  EXPECT_EQ("a", c.getLabel());
  vx::Sound d;
  d = c;
  EXPECT_EQ(300u, samplesOf(d));
  c = c;
  EXPECT_EQ(300u, samplesOf(c));
}

TEST_F(SoundTest, ManagerSoundsMoveDownOnUnload) {
  level(1);
  std::string files[3] = {wav("0.wav", 100), wav("1.wav", 200), wav("2.wav", 300)};
  mark();
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, rm().loadSound(files[i], "s" + std::to_string(i)));
  EXPECT_EQ((Lines{"RM::loadSound(): Sound 's0' successfully loaded.",
                   "RM::loadSound(): Sound 's1' successfully loaded.",
                   "RM::loadSound(): Sound 's2' successfully loaded."}),
            since());
  rm().getSound("s2")->play(true);
  EXPECT_EQ(0, rm().unloadSound("s0"));
  EXPECT_EQ(-1, rm().unloadSound("s0"));
  // Each remaining sound still plays its own samples.
  ASSERT_NE(nullptr, rm().getSound("s1"));
  ASSERT_NE(nullptr, rm().getSound("s2"));
  EXPECT_EQ(200u, samplesOf(*rm().getSound("s1")));
  EXPECT_EQ(300u, samplesOf(*rm().getSound("s2")));
  EXPECT_TRUE(rm().getSound("s2")->getSound().getLoop());
  EXPECT_EQ(rm().getSound("s1") + 1, rm().getSound("s2"));
  // The freed slot is reused by the next load.
  ASSERT_EQ(0, rm().loadSound(files[0], "again"));
  EXPECT_EQ(100u, samplesOf(*rm().getSound("again")));
  EXPECT_EQ(rm().getSound("s2") + 1, rm().getSound("again"));
}

TEST_F(SoundTest, ManagerSoundLimitIsAHundred) {
  std::string file = wav("tiny.wav", 10);
  for (int i = 0; i < vx::MAX_SOUNDS; i++) ASSERT_EQ(0, rm().loadSound(file, std::to_string(i)));
  mark();
  EXPECT_EQ(-1, rm().loadSound(file, "extra"));
  EXPECT_EQ((Lines{"RM::loadSound(): Error! Unable to add more sounds (max is 100)."}), since());
  EXPECT_NE(nullptr, rm().getSound("99"));
  // A failed load into a free slot does not count it.
  EXPECT_EQ(0, rm().unloadSound("5"));
  EXPECT_EQ(-1, rm().loadSound(env.path("none.wav"), "bad"));
  EXPECT_EQ(0, rm().loadSound(file, "good"));
  EXPECT_NE(nullptr, rm().getSound("good"));
}

namespace {

// A FLAC stream of 44100 Hz stereo that claims total samples per channel
// and holds no audio at all.
void emptyFlac(const std::string &path, uint64_t total) {
  std::string b("fLaC\x80\x00\x00\x22\x10\x00\x10\x00\x00\x00\x00\x00\x00\x00", 18);
  uint64_t info = (uint64_t(44100) << 44) | (uint64_t(1) << 41) | (uint64_t(15) << 36) | total;
  for (int i = 7; i >= 0; i--) b += char(info >> (8 * i));
  b += std::string(16, '\0');
  std::ofstream(path, std::ios::binary | std::ios::trunc) << b;
}

// Bytes this process has read from files so far, from /proc/self/io.
bool bytesRead(unsigned long long &bytes) {
  std::ifstream io("/proc/self/io");
  std::string key;
  while (io >> key >> bytes)
    if (key == "rchar:") return true;
  return false;
}

} // namespace

// Headers that claim more than the file holds, or what cannot be played,
// are refused with a line before anything is made for them; the slot stays
// free for the next load.
TEST_F(SoundTest, LyingAndUnplayableFilesAreRefused) {
  std::string huge = env.path("huge.wav"), half = env.path("half.wav"), wide = env.path("wide.wav"),
              none = env.path("none.wav"), fast = env.path("fast.wav"), cut = env.path("cut.wav"),
              endless = env.path("endless.flac"), hollow = env.path("hollow.flac");
  // 60-byte files: 44 bytes of header, 8 samples.
  writeWav(huge, 8, 22050, 1, 0x7ffffff8u);
  writeWav(half, 8, 22050, 1, 1u << 29);
  writeWav(wide, 8, 65535, 65535);
  writeWav(none, 8, 22050, 0);
  writeWav(fast, 8, 1000000, 2);
  writeWav(cut, 750, 22050, 1, 1000);
  std::string notes = env.path("notes.wav"), twelve = env.path("twelve.wav");
  std::ofstream(notes) << "not a sound\n";
  writeWav(twelve, 8, 22050, 1, 0, 12);
  emptyFlac(endless, 0xfffffffffull);
  emptyFlac(hollow, 500000);
  auto channels = [](const std::string &n) {
    return "' has " + n + " channels; only 1, 2, 4, 6, 7 or 8 can be played.";
  };
  const std::string rate = "' has a sample rate of 1000000 Hz; only 1 to 384000 can be played.";
  const std::string claims = "' claims 2147483640 samples in 60 bytes.";
  std::vector<std::pair<std::string, std::string>> sounds = {
      {huge, claims},
      {half, "' claims 536870912 samples in 60 bytes."},
      {wide, channels("65535")},
      {none, channels("0")},
      {fast, rate},
      {cut, "' ends after 750 of its 1000 samples."},
      {endless, "' claims 137438953470 samples; at most 67108864 are loaded whole."},
      {hollow, "' ends after 0 of its 1000000 samples."},
      {notes, "' is not a WAV, Ogg or FLAC file."},
      {twelve, "' has 12-bit samples; only 8, 16, 24 or 32 can be read."}};
  for (const auto &c : sounds) {
    mark();
    EXPECT_EQ(-1, rm().loadSound(c.first, "bad"));
    EXPECT_EQ((Lines{"Sound::loadSound(): Error! '" + c.first + c.second,
                     "RM::loadSound(): Error! Cannot load sound from file '" + c.first + "'."}),
              since());
  }
  // Music is streamed: only what cannot be played, or data beyond the file.
  for (const auto &c : std::vector<std::pair<std::string, std::string>>{
           {huge, claims}, {wide, channels("65535")}, {none, channels("0")}, {fast, rate}}) {
    mark();
    EXPECT_EQ(-1, rm().loadMusic(c.first, "bad"));
    EXPECT_EQ((Lines{"Music::loadMusic(): Error! '" + c.first + c.second,
                     "RM::loadmusic(): Error! Cannot load music from file '" + c.first + "'."}),
              since());
  }
  EXPECT_EQ(nullptr, rm().getMusic("bad"));
  // An honest 8-bit WAV one sample over the limit (64 MB) is refused whole
  // from its header, and streams as music.
  std::string big = env.path("big.wav");
  ASSERT_TRUE(writeWav(big, (1u << 26) + 1, 22050, 1, 0, 8));
  mark();
  EXPECT_EQ(-1, rm().loadSound(big, "big"));
  EXPECT_EQ((Lines{"Sound::loadSound(): Error! '" + big + "' claims 67108865 samples; at most 67108864 are loaded whole.",
                   "RM::loadSound(): Error! Cannot load sound from file '" + big + "'."}),
            since());
  EXPECT_EQ(0, rm().loadMusic(big, "big"));
  EXPECT_EQ(0, rm().unloadMusic("big"));
  ::unlink(big.c_str());
  // So is one of 2^26+1 16-bit samples whose data is a 128 MiB hole, without
  // reading it: the audio library's probe reads it through when it streams.
  std::string hole = env.path("hole.wav");
  ASSERT_TRUE(writeWav(hole, 0, 22050, 1, (1u << 26) + 1));
  ASSERT_EQ(0, ::truncate(hole.c_str(), 44 + 2 * ((1ll << 26) + 1)));
  unsigned long long start = 0, refused = 0, streamed = 0;
  mark();
  bool counted = bytesRead(start);
  EXPECT_EQ(-1, rm().loadSound(hole, "hole"));
  counted = counted && bytesRead(refused);
  EXPECT_EQ((Lines{"Sound::loadSound(): Error! '" + hole + "' claims 67108865 samples; at most 67108864 are loaded whole.",
                   "RM::loadSound(): Error! Cannot load sound from file '" + hole + "'."}),
            since());
  EXPECT_EQ(0, rm().loadMusic(hole, "hole"));
  counted = counted && bytesRead(streamed);
  EXPECT_EQ(0, rm().unloadMusic("hole"));
  ::unlink(hole.c_str());
  EXPECT_TRUE(counted) << "/proc/self/io unreadable";
  EXPECT_LT(refused - start, 1ull << 20) << "read refusing the sound";
  EXPECT_GT(streamed - refused, 1ull << 27) << "read streaming it";
  // Data before any format would have the audio library divide by zero.
  std::string first = env.path("datafirst.wav");
  {
    std::ofstream f(first, std::ios::binary);
    auto u32 = [&](uint32_t v) { f.write(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [&](uint16_t v) { f.write(reinterpret_cast<const char *>(&v), 2); };
    f.write("RIFF", 4);
    u32(36 + 200);
    f.write("WAVE", 4);
    f.write("data", 4);
    u32(200);
    f << std::string(200, '\0');
    f.write("fmt ", 4);
    u32(16);
    u16(1);
    u16(1);
    u32(22050);
    u32(44100);
    u16(2);
    u16(16);
  }
  mark();
  EXPECT_EQ(-1, rm().loadSound(first, "first"));
  EXPECT_EQ(-1, rm().loadMusic(first, "first"));
  EXPECT_EQ((Lines{"Sound::loadSound(): Error! '" + first + "' has its data before its format.",
                   "RM::loadSound(): Error! Cannot load sound from file '" + first + "'.",
                   "Music::loadMusic(): Error! '" + first + "' has its data before its format.",
                   "RM::loadmusic(): Error! Cannot load music from file '" + first + "'."}),
            since());
  // Nothing was kept: good files still load.
  ASSERT_EQ(0, rm().loadSound(wav("good.wav", 300), "good"));
  ASSERT_EQ(0, rm().loadMusic(env.path("good.wav"), "good"));
  EXPECT_EQ(300u, samplesOf(*rm().getSound("good")));
}

namespace {

std::string le32(uint32_t v) { return std::string(reinterpret_cast<const char *>(&v), 4); }
std::string chunk(const std::string &id, const std::string &body) { return id + le32(uint32_t(body.size())) + body; }
std::string repeat(const std::string &s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}
void riff(const std::string &path, const std::string &chunks) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "RIFF" << le32(uint32_t(chunks.size() + 4)) << "WAVE"
                                                          << chunks;
}

} // namespace

// Each file is decided before the audio library opens it, as a sound and
// as music; the refusals run in a child, so that a crash or a hang fails
// the test rather than ending the run.
TEST_F(SoundTest, EveryFileIsDecidedBeforeTheLibraryOpensIt) {
  // PCM, mono, 22050 Hz, 16-bit.
  std::string fmt = chunk("fmt ", std::string("\x01\x00\x01\x00\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00", 16));
  std::string junk = env.path("junk64.wav"), many = env.path("many.wav"), fifo = env.path("fifo.wav");
  riff(junk, repeat(chunk("junk", ""), 64) + chunk("data", ""));
  riff(many, repeat(chunk("LIST", "ab"), 200) + chunk("data", std::string(200, '\0')) + fmt);
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  for (const auto &c : std::vector<std::pair<std::string, std::string>>{
           {junk, "' has its data before its format."}, {many, "' has its data before its format."},
           {fifo, "' is not a regular file."}}) {
    mark();
    EXPECT_EQ(0, vx::test::inChild(
                     [&] { return rm().loadSound(c.first, "x") == -1 && rm().loadMusic(c.first, "x") == -1; }));
    EXPECT_EQ((Lines{"Sound::loadSound(): Error! '" + c.first + c.second,
                     "RM::loadSound(): Error! Cannot load sound from file '" + c.first + "'.",
                     "Music::loadMusic(): Error! '" + c.first + c.second,
                     "RM::loadmusic(): Error! Cannot load music from file '" + c.first + "'."}),
              since());
  }
  // An honest WAV behind LIST chunks loads as it does without them.
  std::string plain = wav("plain.wav", 300), listed = env.path("listed.wav");
  std::ifstream in(plain, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  riff(listed, repeat(chunk("LIST", "INFOISFT" + le32(4) + "vx 1"), 3) + bytes.substr(12));
  ASSERT_EQ(0, rm().loadSound(plain, "plain"));
  ASSERT_EQ(0, rm().loadSound(listed, "listed"));
  ASSERT_EQ(0, rm().loadMusic(listed, "listed"));
  const sf::SoundBuffer *a = rm().getSound("plain")->getSound().getBuffer();
  const sf::SoundBuffer *b = rm().getSound("listed")->getSound().getBuffer();
  EXPECT_EQ(std::vector<sf::Int16>(a->getSamples(), a->getSamples() + a->getSampleCount()),
            std::vector<sf::Int16>(b->getSamples(), b->getSamples() + b->getSampleCount()));
  EXPECT_EQ(1u, b->getChannelCount());
  EXPECT_EQ(22050u, b->getSampleRate());
  EXPECT_EQ(22050u, rm().getMusic("listed")->getMusic()->getSampleRate());
}

TEST_F(SoundTest, MusicPlayPauseStop) {
  level(5);
  std::string file = wav("tune.wav", 22050 * 2);
  vx::Music m;
  EXPECT_EQ("[Undefined]", m.getLabel());
  ASSERT_EQ(0, m.loadMusic(file));
  mark();
  m.play(true);
  sf::Music *p = m.getMusic();
  ASSERT_NE(nullptr, p);
  EXPECT_TRUE(p->getLoop());
  // With the null output the stream really runs.
  EXPECT_EQ(sf::SoundSource::Playing, p->getStatus());
  m.pause();
  EXPECT_EQ(sf::SoundSource::Paused, p->getStatus());
  m.stop();
  EXPECT_EQ(sf::SoundSource::Stopped, p->getStatus());
  m.play(false);
  EXPECT_FALSE(p->getLoop());
  m.stop();
  EXPECT_EQ((Lines{"Music::play(): Playing music.", "Music::pause(): Pausing music.",
                   "Music::stop(): Stopping music.", "Music::play(): Playing music.",
                   "Music::stop(): Stopping music."}),
            since());
}

TEST_F(SoundTest, MusicThatFailedToOpenStaysSilent) {
  level(5);
  vx::Music m;
  m.play(true);  // never loaded
  EXPECT_EQ(-1, m.loadMusic(env.path("missing.ogg")));
  m.play(true);
  EXPECT_EQ(sf::SoundSource::Stopped, m.getMusic()->getStatus());
  m.stop();
}

TEST_F(SoundTest, ManagerMusicSlots) {
  level(5);
  std::string file = wav("m.wav", 2000);
  for (int i = 0; i < vx::MAX_MUSICS; i++) ASSERT_EQ(0, rm().loadMusic(file, "m" + std::to_string(i)));
  mark();
  EXPECT_EQ(-1, rm().loadMusic(file, "extra"));
  EXPECT_EQ((Lines{"RM::loadMusic(): Error! Unable to add more musics (max is 50)."}), since());
  // Unloading only clears the label: the slot stays used.
  vx::Music *p7 = rm().getMusic("m7");
  EXPECT_EQ(0, rm().unloadMusic("m7"));
  EXPECT_EQ(-1, rm().unloadMusic("m7"));
  EXPECT_EQ(nullptr, rm().getMusic("m7"));
  EXPECT_EQ(p7, rm().getMusic(""));
  EXPECT_EQ(-1, rm().loadMusic(file, "extra"));
  rm().getMusic("m0")->play(false);
  rm().getMusic("m1")->play(true);
  mark();
  rm().shutDown();
  Lines lines = since();
  EXPECT_EQ(51u, lines.size());  // 50 stops and the stopped line
  EXPECT_EQ(50, std::count(lines.begin(), lines.end(), "Music::stop(): Stopping music."));
  EXPECT_EQ(sf::SoundSource::Stopped, p7->getMusic()->getStatus());
}

TEST_F(SoundTest, ShutDownStopsOnlyLoadedSlots) {
  level(5);
  std::string file = wav("x.wav", 500);
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, rm().loadSound(file, "s" + std::to_string(i)));
  for (int i = 0; i < 5; i++) ASSERT_EQ(0, rm().loadMusic(file, "m" + std::to_string(i)));
  mark();
  rm().shutDown();
  Lines expect(5, "Music::stop(): Stopping music.");
  expect.push_back("RM::shutDown(): successfully stopped.");
  EXPECT_EQ(expect, since());
}

// Nothing in the manager touches the audio device until a sound or music
// is loaded. With a driver that cannot open, SFML reports the first attempt.
TEST(SoundDevice, UnusedManagerNeverOpensTheDevice) {
  vx::test::TestEnv env;
  setenv("ALSOFT_DRIVERS", "vx-no-such-driver", 1);
  std::stringstream err;
  std::streambuf *old = sf::err().rdbuf(err.rdbuf());
  ASSERT_EQ(0, vx::LogManager::getInstance().startUp());
  vx::ResourceManager &rm = vx::ResourceManager::getInstance();
  ASSERT_EQ(0, rm.startUp());
  EXPECT_EQ(0, rm.loadSprite(vx::test::spritePath("simple-ok.txt"), "s"));
  EXPECT_EQ(nullptr, rm.getSound("x"));
  EXPECT_EQ(nullptr, rm.getMusic("x"));
  rm.shutDown();
  std::string before = err.str();
  { sf::SoundBuffer probe; }  // this one does open the device
  std::string after = err.str();
  sf::err().rdbuf(old);
  setenv("ALSOFT_DRIVERS", "null", 1);
  if (after.empty()) GTEST_SKIP() << "audio device already open in this process";
  EXPECT_EQ("", before);
}
