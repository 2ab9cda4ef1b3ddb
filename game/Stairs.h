#pragma once

#include <string>
#include <vector>

class Hero;

// An enemy left behind on a floor: kind, cell and the hit points it had lost.
struct SavedEnemy {
  int kind;
  int x;
  int y;
  int hp_lost;
};

// Takes the hero to the other floor when it stands on the stairs.
bool useStairs(Hero *p_hero);

void saveFloorEnemies(int f);
void restoreFloorEnemies(int f);
void removeAllOfType(std::string type);
void populateNewFloor();

// The records of floor f (read by tests).
const std::vector<SavedEnemy> &getSavedEnemies(int f);
bool getFloorVisited(int f);
// Back to the state of a fresh run: no records, only floor 0 visited.
void resetStairs();
