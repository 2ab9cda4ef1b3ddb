#pragma once

#include <cstdint>
#include <sstream>
#include <string>

namespace vx {

enum Solidness {
  HARD = 0,
  SOFT = 1,
  SPECTRAL = 2,
};

std::string toString(int i);
std::string toString(float f);
std::string toString(char c);
std::string toString(bool b);
std::string toBinaryString(unsigned int u);

std::string solidnessToString(int solidness);
std::string transformToString(int transform);
std::string locationToString(int location);
std::string networkLabelToString(int label);

// 0 when the stream is good, else logs who and eof or fail, -1.
int checkStream(const char *who, const std::stringstream *p_ss);

// The value of token in a text of "key:value," entries, or "".
std::string match(std::string line, std::string token);

// Like atoi, but saturating at the int range instead of overflowing.
int parseInt(const std::string &text);

// v held within the int range.
int clampToInt(int64_t v);

} // namespace vx
