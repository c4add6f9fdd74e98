#include "DemoGame.h"

#include <fstream>
#include <stdexcept>

#include "support/ObjectData.h"

namespace demo {
namespace {

using testsupport::appendInt32;
using testsupport::appendString;

void pad(Bytes& bytes) {
  while (bytes.size() % 4 != 0) bytes.push_back(0);
}

void appendInt64(Bytes& bytes, std::int64_t value) {
  appendInt32(bytes, static_cast<std::int32_t>(value & 0xFFFFFFFF));
  appendInt32(bytes, static_cast<std::int32_t>(value >> 32));
}

Bytes textBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

testsupport::Hash hashOf(std::int32_t seed) {
  testsupport::Hash hash;
  for (std::size_t i = 0; i < hash.size(); ++i) hash[i] = static_cast<std::uint8_t>(seed * 13 + i);
  return hash;
}

testsupport::TypeDescription typeOf(std::int32_t classId) {
  testsupport::TypeDescription type;
  type.classId = classId;
  if (classId < 0) type.scriptId = hashOf(-classId);
  type.typeHash = hashOf(classId + 100);
  return type;
}

// An object of a class the patch leaves alone: a name, then some filler.
testsupport::ObjectDescription plainObject(std::int64_t pathId, std::int16_t classId, std::string_view name,
                                           std::size_t filler) {
  Bytes data;
  appendString(data, name);
  pad(data);
  for (std::size_t i = 0; i < filler; ++i) data.push_back(static_cast<std::uint8_t>(pathId + i * 3));
  return {pathId, classId, classId, 0xFFFF, 0, data};
}

// The 5-6-5 colour of a block, from its place in the picture.
std::uint16_t blockColour(std::int32_t x, std::int32_t y, std::uint8_t tint) {
  const std::uint16_t red = static_cast<std::uint16_t>((x * 3 + tint) & 0x1F);
  const std::uint16_t green = static_cast<std::uint16_t>((y * 5 + tint) & 0x3F);
  const std::uint16_t blue = static_cast<std::uint16_t>((x + y + tint) & 0x1F);
  return static_cast<std::uint16_t>(red << 11 | green << 5 | blue);
}

void appendColourBlock(Bytes& bytes, std::uint16_t colour) {
  for (int i = 0; i < 2; ++i) {
    bytes.push_back(static_cast<std::uint8_t>(colour & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(colour >> 8));
  }
  bytes.insert(bytes.end(), 4, 0);  // every texel takes the first colour
}

void writeBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

const char* const kControlsXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<controls>
  <button name="btnNewGame" caption="New Game" tooltip="Start a new life on the moor" />
  <button name="btnContinue" caption="Continue" tooltip="Return to your last campfire" />
  <button name="btnOptions" caption="Options" />
  <button name="btnQuit" caption="Quit" tooltip="Leave Cindermoor" />
  <label name="lblVersion" text="Version A13.5" />
</controls>
)";

const char* const kWindowsXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<windows>
  <window name="wndInventory" title="Satchel">
    <label name="lblWeight" text="Weight" />
    <label name="lblEmbers" text="Embers" />
  </window>
  <window name="wndMap" title="Moor Map">
    <label name="lblLegend" text="Legend" />
  </window>
  <window name="wndCrafting" title="Forge">
    <button name="btnCraft" caption="Forge it" />
  </window>
</windows>
)";

std::string mapInfoXml(const std::string& world) {
  const bool ashen = world == kWorlds[0];
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<map_info>
  <property name="Name" value=")") +
         (ashen ? "Ashen Reach" : "Saltmarsh") + R"(" />
  <property name="Description" value=")" +
         (ashen ? "Burnt hills where the old kilns still smoulder."
                : "Grey flats of reed and brine under a low sky.") +
         R"(" />
  <property name="Size" value=")" +
         (ashen ? "4096" : "2048") + R"(" />
</map_info>
)";
}

}  // namespace

std::int32_t imageDataSize(std::int32_t format, std::int32_t width, std::int32_t height) {
  const std::int32_t blocks = ((width + 3) / 4) * ((height + 3) / 4);
  switch (format) {
    case texture_format::kDxt1:
      return blocks * 8;
    case texture_format::kDxt5:
      return blocks * 16;
    case texture_format::kArgb32:
      return width * height * 4;
    case texture_format::kRgb24:
      return width * height * 3;
  }
  throw std::invalid_argument("texture format without a size rule");
}

Bytes gradientImage(std::int32_t format, std::int32_t width, std::int32_t height, std::uint8_t tint) {
  Bytes image;
  if (format == texture_format::kDxt1 || format == texture_format::kDxt5) {
    for (std::int32_t y = 0; y < (height + 3) / 4; ++y) {
      for (std::int32_t x = 0; x < (width + 3) / 4; ++x) {
        if (format == texture_format::kDxt5) {
          image.push_back(0xFF);  // opaque: both alpha ends 255, every index 0
          image.push_back(0xFF);
          image.insert(image.end(), 6, 0);
        }
        appendColourBlock(image, blockColour(x, y, tint));
      }
    }
  } else {
    const bool alpha = format == texture_format::kArgb32;
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        image.push_back(static_cast<std::uint8_t>(x * 255 / width));          // blue
        image.push_back(static_cast<std::uint8_t>(y * 255 / height));         // green
        image.push_back(static_cast<std::uint8_t>(tint + (x + y) * 4));       // red
        if (alpha) image.push_back(static_cast<std::uint8_t>(0xFF - x % 2));  // alpha
      }
    }
  }
  if (image.size() != static_cast<std::size_t>(imageDataSize(format, width, height))) {
    throw std::logic_error("image data of the wrong size");
  }
  return image;
}

Bytes scriptObject(const DemoScript& script, std::int32_t fontSize, std::int32_t lineSpacing,
                   const std::vector<std::string>& texts) {
  Bytes data;
  appendInt32(data, 0);  // GameObject: this file, path ID 1
  appendInt64(data, 1);
  data.push_back(1);  // enabled
  pad(data);
  appendInt32(data, 0);  // MonoScript
  appendInt64(data, script.scriptPathId);
  appendString(data, script.name);
  pad(data);
  appendInt32(data, fontSize);
  appendInt32(data, lineSpacing);
  appendInt32(data, static_cast<std::int32_t>(texts.size()));
  for (const std::string& text : texts) {
    appendString(data, text);
    pad(data);
  }
  return data;
}

Bytes fontFile(const std::string& name, const std::string& variant) {
  Bytes font = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // version 1.0, no tables
  const std::string line = "Stand-in font " + name + " (" + variant + ")\n";
  font.insert(font.end(), line.begin(), line.end());
  pad(font);
  return font;
}

std::vector<std::array<std::string, 2>> englishLocalization() {
  return {
      {"menu.new_game", "New Game"},
      {"menu.continue", "Continue"},
      {"menu.options", "Options"},
      {"menu.quit", "Quit"},
      {"hud.health", "Health"},
      {"hud.warmth", "Warmth"},
      {"hud.embers", "Embers"},
      {"item.peat_brick", "Peat Brick"},
      {"item.kiln_key", "Kiln Key"},
      {"item.moss_bandage", "Moss Bandage"},
      {"dialog.save_done", "Your progress has been kept by the fire."},
      {"tip.1", "Embers fade faster in the rain."},
      {"tip.2", "Peat burns long but smokes heavily."},
      {"tip.3", "The old kilns remember every traveller."},
  };
}

testsupport::AssetDescription resourcesAsset() {
  testsupport::AssetDescription d;
  d.formatVersion = 15;
  for (std::int32_t classId : {1, 4, 48, 49, 83}) d.types.push_back(typeOf(classId));
  std::string table = "Key,English\n";
  for (const auto& row : englishLocalization()) table += row[0] + "," + row[1] + "\n";
  d.objects.push_back(plainObject(1, 1, "ResourceRoot", 24));
  d.objects.push_back(plainObject(2, 4, "", 40));
  d.objects.push_back(
      {3, 49, 49, 0xFFFF, 0, testsupport::textAssetObject(kLocalizationName, textBytes(table))});
  d.objects.push_back(
      {4, 49, 49, 0xFFFF, 0, testsupport::textAssetObject("Credits", textBytes("Made on the moor.\n"))});
  d.objects.push_back(plainObject(5, 48, "UI/Default", 64));
  d.objects.push_back(plainObject(6, 83, "Wind_Loop", 96));
  return d;
}

testsupport::AssetDescription sharedAsset() {
  testsupport::AssetDescription d;
  d.formatVersion = 15;
  for (std::int32_t classId : {-9, -1, 1, 21, 28, 115, 128}) d.types.push_back(typeOf(classId));
  d.objects.push_back(plainObject(1, 1, "Canvas", 24));
  d.objects.push_back(plainObject(2, 21, "UIMaterial", 48));
  std::uint8_t tint = 3;
  for (const DemoTexture& t : kTextures) {
    testsupport::TextureData texture;
    texture.name = t.name;
    texture.width = t.width;
    texture.height = t.height;
    texture.textureFormat = t.format;
    texture.imageData = gradientImage(t.format, t.width, t.height, tint);
    tint = static_cast<std::uint8_t>(tint + 7);
    d.objects.push_back({t.pathId, 28, 28, 0xFFFF, 0, testsupport::textureObject(texture)});
  }
  std::int32_t rects = 2;
  for (const DemoFont& f : kFonts) {
    testsupport::FontData font;
    font.name = f.name;
    font.characterRects = testsupport::characterRects(rects++);
    font.fontData = fontFile(f.name, "English");
    font.fontNames = {f.name};
    d.objects.push_back({f.pathId, 128, 128, 0xFFFF, 0,
                         testsupport::fontObject(font, testsupport::FontLayout::LargeReferences)});
  }
  d.objects.push_back(plainObject(40, 115, "TextStyle", 32));
  d.objects.push_back(plainObject(41, 115, "TipList", 32));
  std::vector<std::string> tips;
  for (const auto& row : englishLocalization()) {
    if (row[0].starts_with("tip.")) tips.push_back(row[1]);
  }
  std::uint16_t scriptIndex = 0;
  for (const DemoScript& s : kScripts) {
    const bool isTips = s.typeId == -9;
    const Bytes data =
        isTips ? scriptObject(s, 14, 2, tips) : scriptObject(s, s.pathId == 688 ? 18 : 12, 0, {});
    d.objects.push_back({s.pathId, s.typeId, 114, scriptIndex++, 0, data});
  }
  return d;
}

void writeDemoGame(const std::filesystem::path& folder) {
  const std::filesystem::path data = folder / "Cindermoor_Data";
  writeBytes(folder / "Cindermoor.exe", textBytes("MZ stand-in for the game's program; never run.\n"));
  writeBytes(data / "resources.assets", testsupport::buildAsset(resourcesAsset()).bytes);
  writeBytes(data / "sharedassets1.assets", testsupport::buildAsset(sharedAsset()).bytes);
  writeBytes(data / "level0", textBytes("LEVEL0 stand-in scene: the moor road, English signposts.\n"));
  writeBytes(data / "Managed" / "Assembly-CSharp.dll",
             textBytes("MZ stand-in for the game's script assembly, English build.\n"));
  const std::filesystem::path xui = folder / "Data" / "Config" / "XUi";
  writeBytes(xui / "controls.xml", textBytes(kControlsXml));
  writeBytes(xui / "windows.xml", textBytes(kWindowsXml));
  for (const char* world : kWorlds) {
    writeBytes(folder / "Data" / "Worlds" / world / "map_info.xml", textBytes(mapInfoXml(world)));
  }
}

}  // namespace demo
