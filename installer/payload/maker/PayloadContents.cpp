#include "PayloadContents.h"

#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "DemoGame.h"

namespace payload {
namespace {

const char* const kData = "Cindermoor_Data/";
const char* const kResourcesUnpak = "Cindermoor_Data/resources_unpak/";
const char* const kSharedUnpak = "Cindermoor_Data/sharedassets1_unpak/";

const char* const kImportLines[] = {
    ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\resources.assets",
    ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\sharedassets1.assets",
};

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

std::string textOf(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

void appendUtf16(Bytes& bytes, char32_t c) {
  bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(c >> 8));
}

// A DDS file: magic, the 124-byte header with the pixel format of the texture format, the data.
Bytes ddsFile(std::int32_t format, std::int32_t width, std::int32_t height, const Bytes& image) {
  Bytes dds(128, 0);
  auto put = [&](std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) dds[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const bool compressed = format == demo::texture_format::kDxt1 || format == demo::texture_format::kDxt5;
  dds[0] = 'D', dds[1] = 'D', dds[2] = 'S', dds[3] = ' ';
  put(4, 124);
  put(8, 0x1007 | (compressed ? 0x80000 : 0x8));  // caps, height, width, pixel format; size or pitch
  put(12, static_cast<std::uint32_t>(height));
  put(16, static_cast<std::uint32_t>(width));
  put(20, compressed ? static_cast<std::uint32_t>(image.size())
                     : static_cast<std::uint32_t>(width * (format == demo::texture_format::kArgb32 ? 4 : 3)));
  put(76, 32);
  if (compressed) {
    put(80, 0x4);  // four-character code
    const char* code = format == demo::texture_format::kDxt1 ? "DXT1" : "DXT5";
    for (int i = 0; i < 4; ++i) dds[84 + i] = static_cast<std::uint8_t>(code[i]);
  } else if (format == demo::texture_format::kArgb32) {
    put(80, 0x41);  // RGB with alpha
    put(88, 32);
    put(92, 0x00FF0000), put(96, 0x0000FF00), put(100, 0x000000FF), put(104, 0xFF000000);
  } else {
    put(80, 0x40);
    put(88, 24);
    put(92, 0x00FF0000), put(96, 0x0000FF00), put(100, 0x000000FF);
  }
  put(108, 0x1000);  // a texture
  dds.insert(dds.end(), image.begin(), image.end());
  return dds;
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

}  // namespace

const std::vector<std::string> kTranslatedTextFiles = {
    "Data/Config/XUi/controls.xml",
    "Data/Config/XUi/windows.xml",
    std::string("Data/Worlds/") + demo::kWorlds[0] + "/map_info.xml",
    std::string("Data/Worlds/") + demo::kWorlds[1] + "/map_info.xml",
    "Localization.txt",
};

Bytes readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string batchFile() {
  return std::string("@echo off\r\n") + kImportLines[0] + "\r\n" + kImportLines[1] +
         "\r\n\r\nrd /S /Q .\\Cindermoor_Data\\resources_unpak\\\r\nrd /S /Q "
         ".\\Cindermoor_Data\\sharedassets1_unpak\\";
}

Bytes importLinesCopy() {
  Bytes bytes = {0xFF, 0xFE};
  for (const char* line : kImportLines) {
    for (const char* c = line; *c != 0; ++c) appendUtf16(bytes, static_cast<unsigned char>(*c));
    appendUtf16(bytes, '\r');
    appendUtf16(bytes, '\n');
  }
  return bytes;
}

std::vector<Entry> installEntries(const std::filesystem::path& patchSource,
                                  const std::filesystem::path& qmxExe) {
  std::vector<Entry> folders;
  auto folder = [&](const std::string& name) { folders.push_back({name, {}}); };
  folder(kData);
  folder(std::string(kData) + "Managed/");
  folder(kResourcesUnpak);
  folder(std::string(kResourcesUnpak) + "TextAsset/");
  folder(kSharedUnpak);
  for (const char* name :
       {"Texture2D/", "Font/", "MonoBehaviour/", "MonoBehaviour/-1/", "MonoBehaviour/-9/"}) {
    folder(std::string(kSharedUnpak) + name);
  }
  folder("Data/");
  folder("Data/Config/");
  folder("Data/Config/XUi/");
  folder("Data/Worlds/");
  for (const char* world : demo::kWorlds) folder(std::string("Data/Worlds/") + world + "/");

  std::vector<Entry> files;
  for (const std::string& name : kTranslatedTextFiles) {
    if (name != "Localization.txt") files.push_back({name, readBytes(patchSource / name)});
  }
  for (const char* name : {"Cindermoor_Data/level0", "Cindermoor_Data/Managed/Assembly-CSharp.dll"}) {
    files.push_back({name, readBytes(patchSource / name)});
  }
  const Bytes localization = readBytes(patchSource / "Localization.txt");
  files.push_back(
      {std::string(kResourcesUnpak) + "TextAsset/" + demo::kLocalizationName + ".txt", localization});

  std::uint8_t tint = 11;
  for (const demo::DemoTexture& t : demo::kTextures) {
    const Bytes image = demo::gradientImage(t.format, t.patchWidth, t.patchHeight, tint);
    tint = static_cast<std::uint8_t>(tint + 5);
    files.push_back({std::string(kSharedUnpak) + "Texture2D/" + t.name + ".dds",
                     ddsFile(t.format, t.patchWidth, t.patchHeight, image)});
  }
  for (const demo::DemoFont& f : demo::kFonts) {
    files.push_back({std::string(kSharedUnpak) + "Font/" + f.name + ".ttf",
                     demo::fontFile(f.name, "Simplified Chinese")});
  }
  for (const demo::DemoScript& s : demo::kScripts) {
    const Bytes data = s.typeId == -9 ? demo::scriptObject(s, 16, 4, translatedTips(textOf(localization)))
                                      : demo::scriptObject(s, s.pathId == 688 ? 20 : 14, 2, {});
    files.push_back({std::string(kSharedUnpak) + "MonoBehaviour/" + std::to_string(s.typeId) + "/" +
                         std::to_string(s.pathId) + ".bin",
                     data});
  }
  files.push_back({std::string(kResourcesUnpak) + "qmx.exe", readBytes(qmxExe)});
  files.push_back({std::string(kResourcesUnpak) + "qmx.bat", importLinesCopy()});
  files.push_back({std::string(kData) + "qmx.bat", bytesOf(batchFile())});

  folders.insert(folders.end(), files.begin(), files.end());
  return folders;
}

std::u32string decodeUtf8(const std::string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + length > text.size()) throw std::runtime_error("text is not UTF-8");
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) throw std::runtime_error("text is not UTF-8");
      c = c << 6 | (next & 0x3F);
    }
    out.push_back(c);
    i += length;
  }
  return out;
}

Bytes wcharText(const std::vector<std::string>& utf8Texts) {
  std::set<char32_t> characters;
  for (char32_t c = 0x20; c < 0x7F; ++c) characters.insert(c);
  for (const std::string& text : utf8Texts) {
    for (char32_t c : decodeUtf8(text)) {
      if (c < 0x20 || c == 0x7F || c == 0xFEFF) continue;
      if (c > 0xFFFD) throw std::runtime_error("a character beyond U+FFFD in the translation");
      characters.insert(c);
    }
  }
  characters.insert(0xFFFD);
  Bytes bytes = {0xFF, 0xFE};
  for (char32_t c : characters) appendUtf16(bytes, c);
  return bytes;
}

std::vector<Entry> uninstallEntries(const std::filesystem::path& patchSource) {
  std::vector<std::string> texts;
  for (const std::string& name : kTranslatedTextFiles) texts.push_back(textOf(readBytes(patchSource / name)));
  return {{"wchar.txt", wcharText(texts)}};
}

}  // namespace payload
