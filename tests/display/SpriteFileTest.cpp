// Sprite file readers: both formats, every error text and line number.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "ResourceSupport.h"
#include "display/ResourceManager.h"
#include "display/Sprite.h"
#include "display/SpriteReader.h"

using vx::test::ResourceTest;
using Lines = std::vector<std::string>;

namespace {
const std::string NOT_LOADED = "RM::loadSprite(): Sprite 's' NOT loaded.";
}

class SpriteFileTest : public ResourceTest {};

TEST_F(SpriteFileTest, SimpleFormatLoads) {
  EXPECT_EQ(Lines{}, load("simple-ok.txt", 0));
  vx::Sprite *p = rm().getSprite("s");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(2, p->getFrameCount());
  EXPECT_EQ(3, p->getWidth());
  EXPECT_EQ(2, p->getHeight());
  EXPECT_EQ(4, p->getSlowdown());
  EXPECT_EQ(vx::RED, p->getColor());
  EXPECT_EQ(0, p->getTransparency());
  EXPECT_EQ("abcdef", p->getFrame(0).getString());
  EXPECT_EQ("ghijkl", p->getFrame(1).getString());
  EXPECT_EQ(3, p->getFrame(1).getWidth());
  EXPECT_EQ(2, p->getFrame(1).getHeight());
  EXPECT_EQ("s", p->getLabel());
}

TEST_F(SpriteFileTest, SimpleFormatVariantsLoad) {
  // CR LF reads like LF; no line end after the last row; a count with text.
  EXPECT_EQ(Lines{}, load("simple-crlf.txt", 0, "crlf"));
  vx::Sprite *p = rm().getSprite("crlf");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(vx::RED, p->getColor());
  EXPECT_EQ("abcdef", p->getFrame(0).getString());
  EXPECT_EQ("ghijkl", p->getFrame(1).getString());

  EXPECT_EQ(Lines{}, load("simple-no-eol.txt", 0, "noeol"));
  ASSERT_NE(nullptr, rm().getSprite("noeol"));
  EXPECT_EQ("xy", rm().getSprite("noeol")->getFrame(0).getString());
  EXPECT_EQ(0, rm().getSprite("noeol")->getSlowdown());

  EXPECT_EQ(Lines{}, load("simple-count-text.txt", 0, "three"));
  ASSERT_NE(nullptr, rm().getSprite("three"));
  EXPECT_EQ(3, rm().getSprite("three")->getFrameCount());
}

TEST_F(SpriteFileTest, SimpleFormatValueErrors) {
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 5! Unrecognized color 'default'.",
                   "  Valid colors are: black, red, green, yellow,",
                   "                    blue, magenta, cyan or white.", NOT_LOADED}),
            load("simple-default-color.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 4! Slowdown is '-1'.", NOT_LOADED}),
            load("simple-slowdown-neg.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 2! Width is '0'.", NOT_LOADED}),
            load("simple-width-zero.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 3! Height is 'high'.", NOT_LOADED}),
            load("simple-height-bad.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tMissing color (a string).", NOT_LOADED}),
            load("simple-no-color.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tMissing width (an integer).", NOT_LOADED}),
            load("simple-blank-value.txt", -1));
  EXPECT_EQ(nullptr, rm().getSprite("s"));
}

TEST_F(SpriteFileTest, SimpleFormatRowErrors) {
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tReading frame 2 of 2, row 1 of 2.", NOT_LOADED}),
            load("simple-blank-row.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tReading frame 2 of 2, row 2 of 2.", NOT_LOADED}),
            load("simple-missing-rows.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 7!", "\tLine  7: 'de'",
                   "\tWidth is 2, expected 3.", NOT_LOADED}),
            load("simple-short-row.txt", -1));
  // Only one carriage return is removed.
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 6!", "\tLine  6: 'ab\r'",
                   "\tWidth is 3, expected 2.", NOT_LOADED}),
            load("simple-two-cr.txt", -1));
  // The stream already ended: getLine says so first.
  EXPECT_EQ((Lines{"getLine(): Error! Unexpected end of file.",
                   "RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tReading frame 1 of 1, row 1 of 1.", NOT_LOADED}),
            load("simple-eof-after-color.txt", -1));
}

TEST_F(SpriteFileTest, SimpleFormatTrailingData) {
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 7!", "\tExtra file data: ''", NOT_LOADED}),
            load("simple-extra-blank.txt", -1));
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error line 7!", "\tExtra file data: 'cd'", NOT_LOADED}),
            load("simple-extra-data.txt", -1));
}

TEST_F(SpriteFileTest, HugeSimpleFrameCountFailsCheaply) {
  // Two billion frames announced, two present: no huge allocation.
  EXPECT_EQ((Lines{"RM::loadSimpleSprite(): Error! Unexpected end of file.",
                   "\tReading frame 3 of 2000000000, row 1 of 1.", NOT_LOADED}),
            load("simple-huge-count.txt", -1));
}

TEST_F(SpriteFileTest, UnknownFormats) {
  for (const char *name : {"unknown-header-blank.txt", "unknown-empty-line.txt", "unknown-empty.txt",
                           "unknown-zero.txt"}) {
    Lines lines = load(name, -1);
    ASSERT_EQ(3u, lines.size()) << name;
    EXPECT_EQ("RM::loadSprite(): Error! Unknown sprite file format.", lines[0]);
    EXPECT_EQ(NOT_LOADED, lines[2]);
  }
  EXPECT_EQ("RM::loadSprite(): First line is '<HEADER> '.", load("unknown-header-blank.txt", -1)[1]);
  EXPECT_EQ("RM::loadSprite(): First line is ''.", load("unknown-empty.txt", -1)[1]);
  EXPECT_EQ("RM::loadSprite(): First line is '0'.", load("unknown-zero.txt", -1)[1]);
}

TEST_F(SpriteFileTest, MissingFileAndDirectory) {
  EXPECT_EQ((Lines{"RM::loadSprite(): Error! Cannot open file '/nonexistent/x.txt'.",
                   "RM::loadSprite(): Sprite 's' not loaded."}),
            [&] {
              mark();
              EXPECT_EQ(-1, rm().loadSprite("/nonexistent/x.txt", "s"));
              return since();
            }());
  // Only a regular file is read: not a folder, nor a device that never ends.
  for (const std::string &name : {std::string(VX_TEST_DATA) + "/sprites", std::string("/dev/zero")}) {
    mark();
    EXPECT_EQ(-1, rm().loadSprite(name, "s"));
    EXPECT_EQ((Lines{"RM::loadSprite(): Error! '" + name + "' is not a regular file.",
                     "RM::loadSprite(): Sprite 's' not loaded."}),
              since());
  }
  EXPECT_EQ(nullptr, rm().getSprite("s"));
}

TEST_F(SpriteFileTest, RobustFormatLoads) {
  EXPECT_EQ(Lines{}, load("robust-ok.txt", 0));
  vx::Sprite *p = rm().getSprite("s");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(2, p->getFrameCount());
  EXPECT_EQ(3, p->getWidth());
  EXPECT_EQ(2, p->getHeight());
  EXPECT_EQ(3, p->getSlowdown());
  EXPECT_EQ(vx::GREEN, p->getColor());
  EXPECT_EQ('.', p->getTransparency());
  EXPECT_EQ(".a.bbb", p->getFrame(0).getString());
  EXPECT_EQ("c.c.d.", p->getFrame(1).getString());

  EXPECT_EQ(Lines{}, load("robust-crlf.txt", 0, "crlf"));
  vx::Sprite *q = rm().getSprite("crlf");
  ASSERT_NE(nullptr, q);
  EXPECT_EQ(".a.bbb", q->getFrame(0).getString());
  EXPECT_EQ("c.c.d.", q->getFrame(1).getString());
  EXPECT_EQ('.', q->getTransparency());
}

TEST_F(SpriteFileTest, RobustDefaultsAndNotes) {
  level(5);
  Lines lines = load("robust-minimal.txt", 0, "min");
  vx::Sprite *p = rm().getSprite("min");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(vx::WHITE, p->getColor());
  EXPECT_EQ(0, p->getTransparency());
  EXPECT_EQ(0, p->getSlowdown());
  EXPECT_EQ("abcd", p->getFrame(0).getString());
  EXPECT_EQ((Lines{"RM::loadSprite(): assuming robust sprite file format.",
                   "RM::loadRobustSprite(): Warning! No 'color' in header.",
                   "RM::loadRobustSprite(): Note! No 'transparency' in header.",
                   "RM::loadRobustSprite(): Note! No 'slowdown' in header.",
                   "\t      Frames: 1", "\t       Width: 2", "\t      Height: 2",
                   "\t    Slowdown: 0", "\tTransparency: (none)", "\t       Color: White",
                   "RM::loadSprite(): Sprite 'min' loaded."}),
            Lines(lines.begin() + 1, lines.end()));  // after "Loading sprite"

  // Quoted blank, "default" colour, slowdown -1 as absent, keys in any order.
  lines = load("robust-space.txt", 0, "space");
  p = rm().getSprite("space");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(' ', p->getTransparency());
  EXPECT_EQ(0, p->getSlowdown());
  EXPECT_EQ(vx::WHITE, p->getColor());
  EXPECT_EQ("a ", p->getFrame(0).getString());
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                   "RM::loadRobustSprite(): transparency is 'space'"));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                   "RM::loadRobustSprite(): Note! No 'slowdown' in header."));
}

TEST_F(SpriteFileTest, RobustWarnings) {
  level(1);
  EXPECT_EQ((Lines{"RM::loadSprite(): Loading sprite '" + vx::test::spritePath("robust-warnings.txt") + "'.",
                   "matchLineInt(): Warning! 'frames 3' matches multiple lines.",
                   "RM::loadRobustSprite(): Warning! Unused HEADER lines:", "\t'colour red'",
                   "RM::loadRobustSprite(): Warning! Unused FOOTER lines:", "\t'author someone'"}),
            load("robust-warnings.txt", 0));
  vx::Sprite *p = rm().getSprite("s");
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(3, p->getFrameCount());  // the last "frames" wins
  EXPECT_EQ('a', p->getTransparency());
  EXPECT_EQ(-5, p->getSlowdown());
  EXPECT_EQ(vx::BLUE, p->getColor());
  EXPECT_EQ("z", p->getFrame(2).getString());
}

TEST_F(SpriteFileTest, RobustSectionErrors) {
  EXPECT_EQ((Lines{"readData(): Error! Stop at line 2, never encountered '</HEADER>'.", NOT_LOADED}),
            load("robust-blank-header.txt", -1));
  EXPECT_EQ((Lines{"readData(): Error line 6! Expected '<BODY>', have 'stray'.", NOT_LOADED}),
            load("robust-between.txt", -1));
  EXPECT_EQ((Lines{"readData(): Error! Stop at line 11, never encountered '</FOOTER>'.", NOT_LOADED}),
            load("robust-no-footer-end.txt", -1));
  // An empty header adds nothing of its own.
  EXPECT_EQ((Lines{NOT_LOADED}), load("robust-empty-header.txt", -1));
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Missing 'width' in header.", NOT_LOADED}),
            load("robust-missing-width.txt", -1));
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Unrecognized color 'purple'.",
                   "  Valid colors are: black, red, green, yellow,",
                   "                    blue, magenta, cyan and white.", NOT_LOADED}),
            load("robust-bad-color.txt", -1));
}

TEST_F(SpriteFileTest, RobustBodyErrors) {
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Extra BODY:", "\tLine 9: cd", NOT_LOADED}),
            load("robust-extra-body.txt", -1));
  EXPECT_EQ((Lines{"\tError! Line 10: No more frame data before 'end'.",
                   "RM::loadRobustSprite(): Error! No frame data to add.", NOT_LOADED}),
            load("robust-short-body.txt", -1));
  EXPECT_EQ((Lines{"\tError! Line 8: Line length is 2 (frame width is 3).", "\tLine 8: 'de'",
                   "RM::loadRobustSprite(): Error! No frame data to add.", NOT_LOADED}),
            load("robust-bad-row.txt", -1));
  EXPECT_EQ((Lines{"\tError! Line 8: Expected 'end'.", "\tLine 8: 'cd'",
                   "RM::loadRobustSprite(): Error! No frame data to add.", NOT_LOADED}),
            load("robust-no-end.txt", -1));
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Extra BODY:", "\tLine 7: x", "\tLine 8: end",
                   NOT_LOADED}),
            load("robust-frames-zero.txt", -1));
}

TEST_F(SpriteFileTest, RobustFrameCountGuards) {
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Number of frames is -7.", NOT_LOADED}),
            load("robust-frames-negative.txt", -1));
  // Largest counts and heights: no overflow, no huge allocation.
  EXPECT_EQ((Lines{"\tError! Line 8: Line length is 3 (frame width is 1).", "\tLine 8: 'end'",
                   "RM::loadRobustSprite(): Error! No frame data to add.", NOT_LOADED}),
            load("robust-huge-frames.txt", -1));
}

TEST_F(SpriteFileTest, RobustFooterErrors) {
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Missing 'version' in FOOTER (line 12).", NOT_LOADED}),
            load("robust-no-version.txt", -1));
  EXPECT_EQ((Lines{"RM::loadRobustSprite(): Error! Missing 'version' in FOOTER (line 12).", NOT_LOADED}),
            load("robust-empty-version.txt", -1));
  EXPECT_EQ(nullptr, rm().getSprite("s"));
}

TEST_F(SpriteFileTest, TraceLinesAndFrameDump) {
  level(20);
  Lines lines = load("robust-ok.txt", 0);
  Lines expect_tail = {"ResourceManager::loadRobustSprite(): After reading body: line number is '16'",
                       "\t       Color: Green", "\tLine 10: '.a.'", "\tLine 11: 'bbb'",
                       "\tLine 13: 'c.c'", "\tLine 14: '.d.'",
                       "RM::loadSprite(): Sprite 's' frames:", "\tFrame 1:", "\t.a.", "\tbbb",
                       "\tFrame 2:", "\tc.c", "\t.d.", "RM::loadSprite(): Sprite 's' loaded."};
  ASSERT_GE(lines.size(), expect_tail.size());
  EXPECT_EQ(expect_tail, Lines(lines.end() - std::ptrdiff_t(expect_tail.size()), lines.end()));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                   "ResourceManager::loadRobustSprite(): After header, line number: '8'"));

  lines = load("simple-ok.txt", 0, "t");
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "\tLine  5: 'red'"));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                   "RM::loadSimpleSprite(): Reading frame 2 of 2."));
  EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "\tLine  9: 'jkl'"));
}

// The reader takes any stream: text in memory reads as the file does, and
// one reader's line count is its own.
TEST_F(SpriteFileTest, ReaderReadsFromAnyStream) {
  auto text = [](const std::string &name) {
    std::ifstream f(vx::test::spritePath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  };
  std::istringstream ok(text("robust-ok.txt")), bad(text("simple-short-row.txt"));
  vx::SpriteReader ok_reader(ok), bad_reader(bad);
  EXPECT_EQ("<HEADER>", ok_reader.firstLine());
  EXPECT_EQ("1", bad_reader.firstLine());
  mark();
  std::unique_ptr<vx::Sprite> p = ok_reader.readRobust();
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(2, p->getFrameCount());
  EXPECT_EQ("c.c.d.", p->getFrame(1).getString());
  EXPECT_EQ(nullptr, bad_reader.readSimple());
  Lines from_stream = since();
  Lines from_file = load("simple-short-row.txt", -1);
  from_file.pop_back();  // the resource manager's own line
  EXPECT_EQ(from_file, from_stream);
}
