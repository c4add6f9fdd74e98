// Lays out the demo patch folder, which cmkit pack makes the demo installer of:
//   make_demo_patch TRANSLATION_SOURCE_FOLDER PATCH_FOLDER
#include <cstdio>
#include <exception>

#include "DemoPatch.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_demo_patch TRANSLATION_SOURCE_FOLDER PATCH_FOLDER\n");
    return 2;
  }
  try {
    demo_patch::writePatch(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo_patch: %s\n", e.what());
    return 1;
  }
  return 0;
}
