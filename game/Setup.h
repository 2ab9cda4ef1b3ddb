#pragma once

#include <string>

// The game's start-up, shared by main and the tests.

// Loads sprites/<file_name> under label, with '.' transparent; a failure is
// logged and skipped.
void loadSprite(std::string file_name, std::string label);

// The game's nine sprites, in order.
void loadResources();

// The four display items: HP, Gold, Score and Floor.
void createHud();

// A fresh world: boundary, view, level, hero, the first enemies, the display
// and the play timer.
void populateWorld();
