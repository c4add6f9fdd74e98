// Writes a fresh demo game folder: make_demo_game FOLDER
#include <cstdio>
#include <exception>

#include "DemoGame.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo_game FOLDER\n");
    return 2;
  }
  try {
    demo::writeDemoGame(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo_game: %s\n", e.what());
    return 1;
  }
  return 0;
}
