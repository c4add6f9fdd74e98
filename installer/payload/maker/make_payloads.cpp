// Writes the patch's two archives, install.zip (resource 218) and uninstall.zip (resource 219):
//   make_payloads PATCH_SOURCE_FOLDER QMX_EXE OUTPUT_FOLDER
#include <cstdio>
#include <exception>
#include <filesystem>

#include "PayloadContents.h"
#include "ZipWriter.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_payloads PATCH_SOURCE_FOLDER QMX_EXE OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path source = argv[1];
  const std::filesystem::path qmx = argv[2];
  const std::filesystem::path output = argv[3];
  if (!std::filesystem::is_regular_file(qmx)) {
    std::fprintf(stderr, "make_payloads: %s is missing: build the windows preset first\n", argv[2]);
    return 1;
  }
  try {
    payload::writeZip(output / "install.zip", payload::installEntries(source, qmx));
    payload::writeZip(output / "uninstall.zip", payload::uninstallEntries(source));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_payloads: %s\n", e.what());
    return 1;
  }
  return 0;
}
