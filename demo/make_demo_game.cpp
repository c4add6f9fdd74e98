// Writes a fresh demo game folder: make_demo_game FOLDER [GAME_PROGRAM]
// With GAME_PROGRAM (the Windows build's Cindermoor.exe), the folder holds the game's own program,
// which shows what its asset files hold; without it, a stand-in that only marks the game folder.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "DemoGame.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_demo_game FOLDER [GAME_PROGRAM]\n");
    return 2;
  }
  try {
    demo::writeDemoGame(argv[1]);
    if (argc == 3) {
      std::filesystem::copy_file(argv[2], std::filesystem::path(argv[1]) / "Cindermoor.exe",
                                 std::filesystem::copy_options::overwrite_existing);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo_game: %s\n", e.what());
    return 1;
  }
  return 0;
}
