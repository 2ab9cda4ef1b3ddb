// The game in a real window (run under xvfb-run): what the screen shows.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SFML/Graphics.hpp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "../GamePlay.h"

extern char **environ;

using game_test::GamePlay;
using game_test::all;

namespace {

// An RGB picture of the window.
struct Picture {
  int w = 0, h = 0;
  std::vector<unsigned char> rgb;
  void px(int x, int y, int &r, int &g, int &b) const {
    const unsigned char *p = &rgb[(size_t(y) * w + x) * 3];
    r = p[0], g = p[1], b = p[2];
  }
};

using ColorTest = std::function<bool(int, int, int)>;
bool isBlue(int r, int g, int b) { return b > 180 && r < 80 && g < 80; }
bool isCyan(int r, int g, int b) { return g > 180 && b > 180 && r < 80; }
bool isRed(int r, int g, int b) { return r > 180 && g < 80 && b < 80; }
bool isYellow(int r, int g, int b) { return r > 180 && g > 180 && b < 80; }
bool isWhite(int r, int g, int b) { return r > 200 && g > 200 && b > 200; }
bool isGreen(int r, int g, int b) { return g > 180 && r < 80 && b < 80; }

// Pixels of a colour within view cells [c0,c1) x [r0,r1), cells of cw x ch.
int count(const Picture &p, float cw, float ch, float c0, float r0, float c1, float r1, ColorTest t) {
  int n = 0;
  for (int y = std::max(0, int(r0 * ch)); y < std::min(p.h, int(r1 * ch)); y++)
    for (int x = std::max(0, int(c0 * cw)); x < std::min(p.w, int(c1 * cw)); x++) {
      int r, g, b;
      p.px(x, y, r, g, b);
      if (t(r, g, b)) n++;
    }
  return n;
}

std::string captureDir() {
  std::string d = std::string(VX_BUILD_DIR) + "/captures";
  mkdir(d.c_str(), 0755);
  return d;
}

// In process: the engine's own window, read back after the world has drawn.
class GameWindowTest : public GamePlay {
 protected:
  Picture capture(const std::string &name) {
    sf::RenderWindow *w = vx::DisplayManager::getInstance().getWindow();
    sf::Texture t;
    t.create(w->getSize().x, w->getSize().y);
    t.update(*w);
    sf::Image img = t.copyToImage();
    img.saveToFile(captureDir() + "/" + name + ".png");
    Picture p;
    p.w = img.getSize().x;
    p.h = img.getSize().y;
    const sf::Uint8 *px = img.getPixelsPtr();
    for (int i = 0; i < p.w * p.h; i++) {
      p.rgb.push_back(px[i * 4]);
      p.rgb.push_back(px[i * 4 + 1]);
      p.rgb.push_back(px[i * 4 + 2]);
    }
    return p;
  }

  // The three lines of level cell (col, row) in picture p, character by
  // character, against the same texts drawn alone into a fresh frame: the
  // same pixels of colour t, and none where the text has a blank.
  void expectCell(const Picture &p, int col, int row, const char *const lines[3], vx::Color color, ColorTest t) {
    vx::DisplayManager &dm = vx::DisplayManager::getInstance();
    dm.swapBuffers();
    for (int i = 0; i < 3; i++)
      dm.drawString(vx::Vector(float(col * 5 + 2), float(row * 3 + i)), lines[i], vx::CENTER_JUSTIFIED, color);
    Picture want = capture("expected");
    float cw = vx::charWidth(), ch = vx::charHeight();
    for (int i = 0; i < 3; i++) {
      vx::Vector v = vx::worldToView(vx::Vector(float(col * 5), float(row * 3 + i)));
      for (int k = 0; k < 5; k++) {
        int x0 = int((v.getX() + k) * cw), x1 = int((v.getX() + k + 1) * cw);
        int y0 = int(v.getY() * ch), y1 = int((v.getY() + 1) * ch);
        int ink = 0, differ = 0;
        for (int y = y0; y < y1; y++)
          for (int x = x0; x < x1; x++) {
            int r, g, b;
            want.px(x, y, r, g, b);
            bool w = t(r, g, b);
            p.px(x, y, r, g, b);
            ink += w;
            differ += w != t(r, g, b);
          }
        std::string where = "cell (" + std::to_string(col) + "," + std::to_string(row) + ") line " +
                            std::to_string(i) + " char " + std::to_string(k) + " '" + lines[i][k] + "'";
        if (lines[i][k] == ' ') {
          EXPECT_EQ(count(p, cw, ch, v.getX() + k, v.getY(), v.getX() + k + 1, v.getY() + 1, t), 0) << where;
        } else {
          EXPECT_GT(ink, 2) << where;
          EXPECT_LE(differ, 2 + ink / 10) << where;
        }
      }
    }
  }
};

TEST_F(GameWindowTest, WallsHeroHudAndGameOverAreDrawn) {
  env.writeConfig("headless:false,\nnetworking:false,\nrandom_seed:7,\nframe_time:0,\n");
  ASSERT_EQ(env.startEngine(), 0) << "no X display?";
  loadGame(false);
  ASSERT_NE(vx::DisplayManager::getInstance().getWindow(), nullptr);
  float cw = vx::charWidth(), ch = vx::charHeight();
  step();
  Picture first = capture("game-first-frame");
  // Walls: the top row of cells (view rows 0-2) and the column at x 0-4.
  EXPECT_GT(count(first, cw, ch, 0, 0, 80, 1, isBlue), 500);
  EXPECT_GT(count(first, cw, ch, 0, 3, 5, 15, isBlue), 200);
  // The hero on its start cell (3,2): world (15..19, 6..8).
  EXPECT_GT(count(first, cw, ch, 15, 6, 20, 9, isCyan), 20);
  EXPECT_EQ(count(first, cw, ch, 20, 6, 25, 9, isCyan), 0);
  // HUD: HP red at the top left, Gold yellow at the top centre, Score white
  // at the top right, Floor cyan at the bottom centre; the time line white.
  EXPECT_GT(count(first, cw, ch, 8, 1, 19, 2, isRed), 20);
  EXPECT_GT(count(first, cw, ch, 34, 1, 47, 2, isYellow), 20);
  EXPECT_GT(count(first, cw, ch, 58, 1, 76, 2, isWhite), 20);
  EXPECT_GT(count(first, cw, ch, 33, 22, 48, 23, isCyan), 20);
  EXPECT_GT(count(first, cw, ch, 1, 23, 30, 24, isWhite), 50);

  // Hold D for one move: the hero is drawn one cell to the right.
  hold(vx::Keyboard::D, 1);
  step();
  Picture moved = capture("game-moved");
  EXPECT_GT(count(moved, cw, ch, 20, 6, 25, 9, isCyan), 20);
  // The shield's yellow brackets at the hero's corners.
  step(4);
  step([] { press(vx::Keyboard::LEFTSHIFT); });
  Picture shield = capture("game-shield");
  EXPECT_GT(count(shield, cw, ch, 20, 6, 21, 9, isYellow), 5);

  // Death: the game-over banner in red and white at the centre.
  hero()->takeDamage(100);
  step(60);  // the bursts fade
  Picture over = capture("game-over");
  EXPECT_GT(count(over, cw, ch, 27, 9, 53, 11, isRed), 200);
  EXPECT_GT(count(over, cw, ch, 30, 12, 50, 14, isWhite), 100);
  EXPECT_GT(count(over, cw, ch, 27, 15, 53, 16, isRed), 100);
  step(59);
  EXPECT_FALSE(vx::GameManager::getInstance().getGameOver());
  step();
  EXPECT_TRUE(vx::GameManager::getInstance().getGameOver());
}

// The level's shop, doors and stairs, then the shop menu framed at the centre.
TEST_F(GameWindowTest, LevelCellsAndTheShopMenuAreDrawn) {
  env.writeConfig("headless:false,\nnetworking:false,\nrandom_seed:7,\nframe_time:0,\n");
  ASSERT_EQ(env.startEngine(), 0);
  loadGame(false);
  float cw = vx::charWidth(), ch = vx::charHeight();
  vx::WorldManager &wm = vx::WorldManager::getInstance();
  wm.setViewFollowing(nullptr);
  const char *const shop[3] = {" $$$ ", "SHOP!", " $$$ "};
  const char *const locked[3] = {"+++++", "+++++", "+++++"};
  const char *const open[3] = {".....", ".....", "....."};
  const char *const up[3] = {"=====", " UP^ ", "====="};
  const char *const down[3] = {"=====", " DNv ", "====="};
  // Each cell in the middle of the view, away from the display items.
  wm.setViewPosition(Level::cellToWorld(33, 6));
  step();
  expectCell(capture("level-shop"), 33, 6, shop, vx::YELLOW, isYellow);
  wm.setViewPosition(Level::cellToWorld(35, 15));
  step();
  expectCell(capture("level-door-locked"), 35, 15, locked, vx::YELLOW, isYellow);
  m_level->setDoorsOpen(true);
  step();
  expectCell(capture("level-door-open"), 35, 15, open, vx::GREEN, isGreen);
  m_level->setDoorsOpen(false);
  wm.setViewPosition(Level::cellToWorld(44, 27));
  step();
  expectCell(capture("level-stairs-up"), 44, 27, up, vx::WHITE, isWhite);
  m_level->setFloor(1);
  step();
  expectCell(capture("level-stairs-down"), 44, 27, down, vx::WHITE, isWhite);
  m_level->setFloor(0);

  hero()->setGridPosition(33, 6);
  wm.setViewFollowing(hero());
  step([] { press(vx::Keyboard::E); });
  Picture p = capture("game-shop");
  // 80 x 24: rows 5 and 18 are the '=' borders, row 15 is "Press E to leave".
  EXPECT_GT(count(p, cw, ch, 12, 5, 68, 6, isYellow), 300);
  EXPECT_GT(count(p, cw, ch, 12, 18, 68, 19, isYellow), 300);
  EXPECT_GT(count(p, cw, ch, 32, 15, 48, 16, isCyan), 50);
  EXPECT_GT(count(p, cw, ch, 20, 17, 60, 18, isGreen), 50);
}

// The aim marker, an enemy's stun stars and the level-rise banner.
TEST_F(GameWindowTest, AimMarkerStunStarsAndBanner) {
  env.writeConfig("headless:false,\nnetworking:false,\nrandom_seed:7,\nframe_time:1000,\n");
  ASSERT_EQ(env.startEngine(), 0);
  loadGame(false);
  float cw = vx::charWidth(), ch = vx::charHeight();
  Hero *h = hero();
  // Before any mouse event the aim is right: '+' at the centre of (4,2).
  step();
  Picture p = capture("game-aim-right");
  EXPECT_GT(count(p, cw, ch, 22, 7, 23, 8, isWhite), 5);
  step([] { mouse(vx::MouseAction::MOVED, vx::MouseButton::UNDEFINED, vx::Vector(2, 7)); });
  p = capture("game-aim-left");
  EXPECT_EQ(count(p, cw, ch, 22, 7, 23, 8, isWhite), 0);
  EXPECT_GT(count(p, cw, ch, 12, 7, 13, 8, isWhite), 5);

  // A slime stunned by the shield at (4,2), drawn at (22,7): stars on row 6.
  Enemy *e = new Enemy(0, 4, 2);
  while (e->getMoveCountdown() > 2) step();
  step([] { press(vx::Keyboard::LEFTSHIFT); });
  step();
  ASSERT_EQ(e->getStunTimer(), 30);
  step(25);  // 5 left: 5 / 4 is odd, stars one column from the centre
  ASSERT_EQ(e->getStunTimer(), 5);
  p = capture("game-stars-in");
  // A star is some 40 pixels; a stray burst particle is far fewer.
  EXPECT_GT(count(p, cw, ch, 21, 6, 22, 7, isYellow), 25);
  EXPECT_GT(count(p, cw, ch, 23, 6, 24, 7, isYellow), 25);
  EXPECT_LT(count(p, cw, ch, 20, 6, 21, 7, isYellow), 15);
  EXPECT_LT(count(p, cw, ch, 24, 6, 25, 7, isYellow), 15);
  step(4);  // 1 left: even, two columns out
  p = capture("game-stars-out");
  EXPECT_GT(count(p, cw, ch, 20, 6, 21, 7, isYellow), 25);
  EXPECT_GT(count(p, cw, ch, 24, 6, 25, 7, isYellow), 25);
  EXPECT_LT(count(p, cw, ch, 21, 6, 22, 7, isYellow), 15);
  EXPECT_LT(count(p, cw, ch, 23, 6, 24, 7, isYellow), 15);
  e->removeQuietly();
  h->setGridPosition(3, 2);

  // The rise to level 1 at 2:00: the banner blinks in on the next step, red
  // on the fourth row, centred.
  while (GameTimer::getEnemyLevel() == 0) step();
  ASSERT_EQ(m_timer->getBannerTimer(), 90);
  p = capture("game-banner-off");
  EXPECT_EQ(count(p, cw, ch, 15, 3, 65, 4, isRed), 0);
  step();
  p = capture("game-banner-on");
  EXPECT_GT(count(p, cw, ch, 20, 3, 60, 4, isRed), 200);
  EXPECT_EQ(count(p, cw, ch, 0, 3, 18, 4, isRed), 0);
  EXPECT_EQ(count(p, cw, ch, 62, 3, 80, 4, isRed), 0);
}

// Reads an XWD dump (ZPixmap, 24 or 32 bits per pixel) into a picture.
bool readXwd(const std::string &file, Picture &out) {
  std::ifstream f(file, std::ios::binary);
  std::vector<unsigned char> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (d.size() < 100) return false;
  auto u32 = [&](size_t o) {
    return (uint32_t(d[o]) << 24) | (uint32_t(d[o + 1]) << 16) | (uint32_t(d[o + 2]) << 8) | d[o + 3];
  };
  uint32_t header = u32(0), format = u32(8), w = u32(16), h = u32(20), order = u32(28);
  uint32_t bpp = u32(44), bpl = u32(48), rm = u32(56), gm = u32(60), bm = u32(64), ncolors = u32(76);
  if (format != 2 || (bpp != 32 && bpp != 24) || w == 0 || h == 0 || w > 10000 || h > 10000) return false;
  size_t data = size_t(header) + size_t(ncolors) * 12;
  if (d.size() < data + size_t(bpl) * h) return false;
  auto shift = [](uint32_t m) { int s = 0; while (m && !(m & 1)) m >>= 1, s++; return s; };
  out.w = w, out.h = h;
  out.rgb.assign(size_t(w) * h * 3, 0);
  for (uint32_t y = 0; y < h; y++)
    for (uint32_t x = 0; x < w; x++) {
      const unsigned char *p = &d[data + size_t(y) * bpl + size_t(x) * (bpp / 8)];
      uint32_t v = 0;
      int n = bpp / 8;
      for (int i = 0; i < n; i++) v |= uint32_t(p[order == 0 ? i : n - 1 - i]) << (8 * i);
      unsigned char *o = &out.rgb[(size_t(y) * w + x) * 3];
      o[0] = (v & rm) >> shift(rm), o[1] = (v & gm) >> shift(gm), o[2] = (v & bm) >> shift(bm);
    }
  return true;
}

std::string runOut(const std::string &cmd) {
  std::string out;
  FILE *p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[256];
  while (fgets(buf, sizeof buf, p)) out += buf;
  pclose(p);
  return out;
}

bool have(const char *tool) { return !runOut(std::string("command -v ") + tool).empty(); }

// Bounded polling: up to tries checks, 100 ms apart.
bool waitFor(std::function<bool()> ok, int tries) {
  for (int i = 0; i < tries; i++) {
    if (ok()) return true;
    usleep(100 * 1000);
  }
  return false;
}

// The vexmoor program itself: xdotool plays, xwd captures the window.
class GameProgramTest : public ::testing::Test {};

TEST_F(GameProgramTest, PlaysInItsWindowAndQuitsWithQ) {
  if (!getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  ASSERT_TRUE(have("xdotool"));
  char tmpl[] = "/tmp/vx-play-XXXXXX";
  std::string dir = mkdtemp(tmpl);
  std::string cfg = dir + "/cfg.txt", log = dir + "/play.log";
  std::ofstream(cfg) << "networking:false,\nrandom_seed:7,\nwindow_title:VexmoorPlayTest,\n";
  std::string prog = std::string(VX_BUILD_DIR) + "/vexmoor";
  std::string env_cfg = "VEXMOOR_CONFIG=" + cfg, env_log = "VEXMOOR_LOG=" + log;
  // In a sanitizer build the program's leak check cannot tell the GL
  // driver's leftovers (an unloaded module) from its own; the game's own
  // leaks are checked headless, by the game tests and the soak.
  const char *asan = getenv("ASAN_OPTIONS");
  std::string env_asan = std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0";
  std::vector<char *> envp;
  for (char **e = environ; *e; e++)
    if (strncmp(*e, "VEXMOOR_", 8) != 0 && strncmp(*e, "ASAN_OPTIONS=", 13) != 0) envp.push_back(*e);
  envp.push_back(&env_cfg[0]);
  envp.push_back(&env_log[0]);
  envp.push_back(&env_asan[0]);
  envp.push_back(nullptr);
  char *argv[] = {&prog[0], nullptr};
  pid_t pid = 0;
  std::string cwd = VX_BUILD_DIR;
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  int rc = posix_spawn(&pid, prog.c_str(), nullptr, nullptr, argv, envp.data());
  ASSERT_EQ(chdir(old), 0);
  ASSERT_EQ(rc, 0);
  int status = -1;
  bool exited = false;
  auto finished = [&] {
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    return exited;
  };

  std::string id;
  waitFor([&] {
    std::string out = runOut("xdotool search --name '^VexmoorPlayTest$' 2>/dev/null");
    if (!out.empty()) id = out.substr(0, out.find('\n'));
    return !id.empty() || finished();
  }, 150);
  if (id.empty()) {
    if (!finished()) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    FAIL() << "the game window did not appear";
  }
  bool xwd = have("xwd");
  std::string shot = captureDir() + "/program.xwd";
  auto grab = [&](Picture &p) {
    return runOut("xwd -silent -id " + id + " -out " + shot + " 2>&1; echo $?") == "0\n" && readXwd(shot, p);
  };
  // The program's window: 1024 x 768 pixels for 80 x 24 cells.
  const float cw = 12.8f, ch = 32.0f;
  Picture p;
  if (xwd) {
    // The first frames: walls, the hero, the HUD.
    bool drawn = waitFor([&] {
      return grab(p) && count(p, cw, ch, 0, 0, 80, 1, isBlue) > 500 &&
             count(p, cw, ch, 15, 6, 20, 9, isCyan) > 20 && count(p, cw, ch, 8, 1, 19, 2, isRed) > 20;
    }, 100);
    EXPECT_TRUE(drawn) << "walls, hero or HUD missing in " << shot;
    EXPECT_GT(count(p, cw, ch, 33, 22, 48, 23, isCyan), 20);  // Floor
  }
  runOut("xdotool windowfocus --sync " + id + " 2>&1");
  // Hold D: the hero walks right along row 2 (open up to column 9).
  runOut("xdotool keydown d");
  bool walked = true;
  // It leaves its start cell (3,2) and stands somewhere on cells 4 to 9.
  if (xwd)
    walked = waitFor([&] {
      return grab(p) && count(p, cw, ch, 15, 6, 20, 9, isCyan) == 0 && count(p, cw, ch, 20, 6, 50, 9, isCyan) > 20;
    }, 100);
  runOut("xdotool keyup d");
  EXPECT_TRUE(walked) << "the hero did not move right";
  runOut("xdotool key shift");
  runOut("xdotool mousemove --window " + id + " 600 300 click 1");
  runOut("xdotool mousemove --window " + id + " 600 300 click 3");
  EXPECT_FALSE(finished()) << "the game ended early";
  // Q ends the game at once.
  runOut("xdotool windowfocus --sync " + id + " 2>&1");
  runOut("xdotool key q");
  bool ended = waitFor(finished, 100);
  if (!ended) {
    runOut("xdotool key --window " + id + " q");
    ended = waitFor(finished, 50);
  }
  if (!ended) kill(pid, SIGKILL), waitpid(pid, &status, 0);
  ASSERT_TRUE(ended) << "Q did not end the game";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  int stopped = 0;
  for (const std::string &l : vx::test::TestEnv::readLines(log))
    if (vx::test::stripLogPrefix(l) == "** Game engine stopped **") stopped++;
  EXPECT_EQ(stopped, 1);
  if (!HasFailure()) std::system(("rm -rf " + dir).c_str());
  else ADD_FAILURE() << "log kept in " << log;
}

} // namespace
