#pragma once

#include "Level.h"

// The two floors as built into the game: one row per line, column 0 first.
// '#' wall, 'D' locked door, 'S' shop, '^'/'v' stairs, 'P' the hero's start,
// 'e'/'b'/'B' spawn points.
extern const char *const LEVEL_MAPS[Level::FLOORS][Level::ROWS];
