#include "DemoPatch.h"

#include <fstream>
#include <stdexcept>

#include "DemoGame.h"

namespace demo_patch {
namespace {

using demo::Bytes;

const std::filesystem::path kResourcesUnpak = "Cindermoor_Data/resources_unpak";
const std::filesystem::path kSharedUnpak = "Cindermoor_Data/sharedassets1_unpak";

using demo::readBytes;

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// A texture is carried as its picture, which cmkit pack encodes in the texture's own format.
void writePicture(const std::filesystem::path& path, const demo::DemoTexture& texture) {
  writeBytes(path, readBytes(demo::picturePath(demo::Edition::Patch, texture)));
}

// The loading tips of the translated localization table: the third column of the tip rows.
std::vector<std::string> translatedTips(const std::string& table) {
  std::vector<std::string> tips;
  std::size_t start = 0;
  while (start < table.size()) {
    std::size_t end = table.find('\n', start);
    if (end == std::string::npos) end = table.size();
    const std::string line = table.substr(start, end - start);
    start = end + 1;
    if (!line.starts_with("tip.")) continue;
    const std::size_t first = line.find(',');
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string::npos)
      throw std::runtime_error("localization row without a translation: " + line);
    tips.push_back(line.substr(second + 1));
  }
  return tips;
}

void writeSharedAssetsFolder(const std::filesystem::path& folder, const std::vector<std::string>& tips) {
  for (const demo::DemoTexture& t : demo::kTextures)
    writePicture(folder / "Texture2D" / (std::string(t.name) + ".png"), t);
  for (const demo::DemoFont& f : demo::kFonts) {
    writeBytes(folder / "Font" / (std::string(f.name) + ".ttf"),
               readBytes(demo::fontPath(demo::Edition::Patch, f)));
  }
  for (const demo::DemoScript& s : demo::kScripts) {
    const Bytes data = s.typeId == -9 ? demo::scriptObject(s, 16, 4, tips)
                                      : demo::scriptObject(s, s.pathId == 688 ? 20 : 14, 2, {});
    writeBytes(folder / "MonoBehaviour" / std::to_string(s.typeId) / (std::to_string(s.pathId) + ".bin"),
               data);
  }
}

}  // namespace

const std::vector<std::string> kTranslatedTextFiles = {
    "Data/Config/XUi/controls.xml",
    "Data/Config/XUi/windows.xml",
    std::string("Data/Worlds/") + demo::kWorlds[0] + "/map_info.xml",
    std::string("Data/Worlds/") + demo::kWorlds[1] + "/map_info.xml",
    "Localization.txt",
};

void writePatch(const std::filesystem::path& translationSource, const std::filesystem::path& patch) {
  std::filesystem::remove_all(patch);
  for (const std::string& name : kTranslatedTextFiles) {
    if (name != "Localization.txt") writeBytes(patch / name, readBytes(translationSource / name));
  }
  for (const char* name : {"Cindermoor_Data/level0", "Cindermoor_Data/Managed/Assembly-CSharp.dll"}) {
    writeBytes(patch / name, readBytes(translationSource / name));
  }
  const Bytes localization = readBytes(translationSource / "Localization.txt");
  writeBytes(patch / kResourcesUnpak / "TextAsset" / (std::string(demo::kLocalizationName) + ".txt"),
             localization);
  writeSharedAssetsFolder(patch / kSharedUnpak,
                          translatedTips(std::string(localization.begin(), localization.end())));
}

}  // namespace demo_patch
