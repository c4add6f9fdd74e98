// Writes the two archives that an installer carries, install.zip (resource DAT 218) and
// uninstall.zip (DAT 219), into a folder, for the tests that look into the demo installer's patch:
//   extract_payloads INSTALLER.exe FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "pack/PeResources.h"
#include "stream/AssetStream.h"

namespace {

bool writeArchive(const std::vector<pe::Resource>& resources, std::uint16_t id,
                  const std::filesystem::path& path) {
  for (const pe::Resource& resource : resources) {
    if (resource.type.name != u"DAT" || resource.name.id != id) continue;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(resource.data.data()),
              static_cast<std::streamsize>(resource.data.size()));
    return static_cast<bool>(out.flush());
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_payloads INSTALLER.exe FOLDER\n");
    return 2;
  }
  const std::optional<std::vector<std::uint8_t>> image =
      readWholeFile(std::filesystem::path(argv[1]).wstring());
  const auto resources = image ? pe::readResources(*image) : std::nullopt;
  const std::filesystem::path folder = argv[2];
  if (!resources || !writeArchive(*resources, 218, folder / "install.zip") ||
      !writeArchive(*resources, 219, folder / "uninstall.zip")) {
    std::fprintf(stderr, "extract_payloads: no patch archives in %s\n", argv[1]);
    return 1;
  }
  return 0;
}
