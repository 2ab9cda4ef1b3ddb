#include <gtest/gtest.h>

#include "loop/GameManager.h"

int main(int argc, char **argv) {
  // The managers above the core, found as in the game: the game manager
  // offers them as it is made.
  vx::GameManager::getInstance();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
