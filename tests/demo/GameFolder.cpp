#include "GameFolder.h"

#include "support/SerializedFileBuilder.h"
#include "support/TrueTypeBuilder.h"

#include <stdexcept>

namespace game_test {
namespace {

constexpr std::int16_t kTexture = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kFont = 128;

testsupport::AssetDescription assetOf(const Release& release, std::initializer_list<std::int16_t> classes) {
  testsupport::AssetDescription asset;
  asset.formatVersion = release.formatVersion;
  asset.engineVersion = release.engineVersion;
  for (std::int16_t classId : classes) {
    testsupport::TypeDescription type;
    type.classId = classId;
    asset.types.push_back(type);
  }
  return asset;
}

}  // namespace

testsupport::TextureData rgbTexture(const std::string& name, std::int32_t width, std::int32_t height,
                                    const std::vector<std::uint32_t>& topRowFirst) {
  testsupport::TextureData texture;
  texture.name = name;
  texture.width = width;
  texture.height = height;
  texture.textureFormat = 3;
  texture.imageData.clear();
  for (std::int32_t y = height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t rgb = topRowFirst[static_cast<std::size_t>(y) * width + x];
      for (int shift : {16, 8, 0}) texture.imageData.push_back(static_cast<std::uint8_t>(rgb >> shift));
    }
  }
  return texture;
}

Bytes textBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Game wholeGame(const std::string& tipText, const std::u32string& tipCharacters) {
  Game game;
  game.textures.push_back(rgbTexture("LoadingScreen_Ashfall", 2, 2, kWholePicture));
  game.fonts.push_back({"EmberSans", testsupport::trueTypeFont(tipCharacters, kPlantedFamily)});
  game.texts.push_back(
      {"Localization",
       textBytes("Key,English,Chinese\nmenu.quit,Quit,退出\ntip.0,Embers fade," + tipText + "\n")});
  return game;
}

std::vector<std::uint32_t> quadrants(int side) {
  std::vector<std::uint32_t> picture;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x)
      picture.push_back(kWholePicture[(y < side / 2 ? 0 : 2) + (x < side / 2 ? 0 : 1)]);
  }
  return picture;
}

Bytes standInFont() {
  Bytes font = {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::string line = "Stand-in font EmberSans (English)\n";
  font.insert(font.end(), line.begin(), line.end());
  return font;
}

TablePlace tableOf(const Bytes& font, const std::string& tag) {
  const auto big = [&font](std::size_t at) {
    return std::size_t{font[at]} << 24 | std::size_t{font[at + 1]} << 16 | std::size_t{font[at + 2]} << 8 |
           font[at + 3];
  };
  const std::size_t tables = std::size_t{font[4]} << 8 | font[5];
  for (std::size_t entry = 12; entry < 12 + 16 * tables; entry += 16) {
    if (std::string(font.begin() + entry, font.begin() + entry + 4) == tag)
      return {big(entry + 8), big(entry + 12)};
  }
  throw std::invalid_argument("no table " + tag);
}

Bytes nameTableOnly(const std::string& family) {
  const Bytes whole = testsupport::trueTypeFont(U"A", family);
  const TablePlace name = tableOf(whole, "name");
  Bytes font = {0, 1, 0, 0, 0, 1, 0, 16, 0, 0, 0, 0, 'n', 'a', 'm', 'e', 0, 0, 0, 0, 0, 0, 0, 28};
  for (int shift : {24, 16, 8, 0}) font.push_back(static_cast<std::uint8_t>(name.length >> shift));
  font.insert(font.end(), whole.begin() + name.offset, whole.begin() + name.offset + name.length);
  return font;
}

void writeGame(const std::filesystem::path& folder, const Game& game) {
  testsupport::AssetDescription shared = assetOf(game.release, {kTexture, kFont});
  std::int64_t pathId = 20;
  for (const testsupport::TextureData& texture : game.textures) {
    shared.objects.push_back(
        {pathId++, kTexture, kTexture, 0xFFFF, 0, testsupport::textureObject(texture, game.release.texture)});
  }
  pathId = 40;
  for (const NamedBytes& font : game.fonts) {
    testsupport::FontData data;
    data.name = font.name;
    data.fontData = font.bytes;
    data.fontNames = {font.name};
    shared.objects.push_back(
        {pathId++, kFont, kFont, 0xFFFF, 0, testsupport::fontObject(data, game.release.font)});
  }
  testsupport::AssetDescription resources = assetOf(game.release, {kTextAsset});
  pathId = 3;
  for (const NamedBytes& text : game.texts) {
    resources.objects.push_back(
        {pathId++, kTextAsset, kTextAsset, 0xFFFF, 0, testsupport::textAssetObject(text.name, text.bytes)});
  }
  const std::filesystem::path data = folder / "Cindermoor_Data";
  std::filesystem::create_directories(data);
  testsupport::writeFile(data / "sharedassets1.assets", testsupport::buildAsset(shared).bytes);
  testsupport::writeFile(data / "resources.assets", testsupport::buildAsset(resources).bytes);
  for (const auto& [name, bytes] : game.otherFiles) testsupport::writeFile(data / name, bytes);
}

}  // namespace game_test
