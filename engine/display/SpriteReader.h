#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "core/Color.h"
#include "display/Frame.h"
#include "display/Sprite.h"

namespace vx {

// Reads one sprite file from a stream, in the simple format (five value
// lines, then the rows) or the robust one (tagged header, body and footer
// sections). Failures are logged and give null. The parser counts the file
// lines it reads, for its messages.
class SpriteReader {
 private:
  // What a robust header gives; -1 (or empty) marks a missing value.
  struct Header {
    int frames = -1;
    int width = -1;
    int height = -1;
    int slowdown = -1;
    char transparency = 0;
    std::string color_name;
  };

  std::istream &m_in;
  int64_t m_line_number;  // the line most recently counted (1-based)

  // The line number as the messages print it.
  int lineNumber() const;

  std::string getLine(bool count);

  // Simple format.
  bool readValue(std::string &line, const char *missing);
  bool readSimpleValues(int &frames, int &width, int &height, int &slowdown, Color &color);
  bool readSimpleFrame(Sprite &sprite, int f, int frames);
  bool atSimpleEnd();

  // Robust format.
  std::vector<std::string> readData(const std::string &tag);
  bool readHeader(Header &header);
  void logHeader(const Header &header) const;
  Frame readFrame(const std::vector<std::string> &data, size_t *p_next, int width, int height,
                  int64_t line) const;
  bool readFrames(Sprite &sprite, const Header &header, const std::vector<std::string> &body, int64_t body_start);
  bool readFooter();

 public:
  explicit SpriteReader(std::istream &in);
  SpriteReader(const SpriteReader &) = delete;
  SpriteReader &operator=(const SpriteReader &) = delete;

  // The first line, not counted; the stream is moved back to its start so
  // that either reader begins at line 1.
  std::string firstLine();

  std::unique_ptr<Sprite> readSimple();
  std::unique_ptr<Sprite> readRobust();
};

} // namespace vx
