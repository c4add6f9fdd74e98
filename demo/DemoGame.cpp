#include "DemoGame.h"

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>

#include "codecs/DdsFile.h"
#include "codecs/Texture2DRecord.h"
#include "images/PngFile.h"
#include "images/TextureEncode.h"
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

std::filesystem::path contentFolder(Edition edition, const char* kind) {
  return std::filesystem::path(DEMO_CONTENT_DIR) / kind / (edition == Edition::Game ? "game" : "patch");
}

}  // namespace

Bytes readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path fontPath(Edition edition, const DemoFont& font) {
  return contentFolder(edition, "fonts") / (std::string(font.name) + ".ttf");
}

std::filesystem::path picturePath(Edition edition, const DemoTexture& texture) {
  return contentFolder(edition, "textures") / (std::string(texture.name) + ".png");
}

// Encoded once per run: the loading screens' DXT blocks take the encoder a while.
Bytes textureData(Edition edition, const DemoTexture& texture) {
  static std::map<std::pair<Edition, std::string>, Bytes> encoded;
  const auto key = std::pair(edition, std::string(texture.name));
  if (const auto found = encoded.find(key); found != encoded.end()) return found->second;
  const std::filesystem::path path = picturePath(edition, texture);
  png_file::ReadFailure failure;
  const std::optional<texture_decode::Image> picture = png_file::read(readBytes(path), failure);
  if (!picture || picture->width != texture.width || picture->height != texture.height) {
    throw std::runtime_error(path.string() + " is not a picture of the texture's size " + failure.reason);
  }
  Bytes data = texture_encode::encode(texture.format, *picture, texture.mipCount);
  // A DDS file holds the uncompressed formats' channels as B G R (A).
  reorderChannels(texture.format, data);
  return encoded.emplace(key, std::move(data)).first->second;
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
  for (const DemoTexture& t : kTextures) {
    testsupport::TextureData texture;
    texture.name = t.name;
    texture.width = t.width;
    texture.height = t.height;
    texture.textureFormat = t.format;
    texture.mipValue = static_cast<std::int32_t>(t.mipCount);
    texture.imageData = textureData(Edition::Game, t);
    // The object holds the engine's channel order, the pixels file a DDS file's B G R (A).
    reorderChannels(t.format, texture.imageData);
    d.objects.push_back({t.pathId, 28, 28, 0xFFFF, 0, testsupport::textureObject(texture)});
  }
  std::int32_t rects = 2;
  for (const DemoFont& f : kFonts) {
    testsupport::FontData font;
    font.name = f.name;
    font.characterRects = testsupport::characterRects(rects++);
    font.fontData = readBytes(fontPath(Edition::Game, f));
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
