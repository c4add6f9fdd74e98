#include <gtest/gtest.h>

#include <functional>

#include "FontNames.h"
#include "GameAssets.h"
#include "TextureDecode.h"
#include "demo/GameFolder.h"
#include "stream/AssetStream.h"
#include "support/Files.h"
#include "support/SerializedFileBuilder.h"
#include "support/TrueTypeBuilder.h"

namespace {

using game::DecodeStatus;
using game::Pixel;
using game_test::Bytes;

// A block's texels as 0xAARRGGBB.
std::array<Pixel, 16> packed(const std::array<texture_decode::Rgba, 16>& texels) {
  std::array<Pixel, 16> pixels{};
  for (std::size_t i = 0; i < texels.size(); ++i) {
    const texture_decode::Rgba& t = texels[i];
    pixels[i] = static_cast<Pixel>(t[3]) << 24 | static_cast<Pixel>(t[0]) << 16 |
                static_cast<Pixel>(t[1]) << 8 | t[2];
  }
  return pixels;
}

std::array<Pixel, 16> dxt1(const Bytes& block) {
  AssetStream stream(block);
  return packed(texture_decode::decodeDxt1Block(stream));
}

std::array<Pixel, 16> dxt5(const Bytes& block) {
  AssetStream stream(block);
  return packed(texture_decode::decodeDxt5Block(stream));
}

// Index bytes are one row each, the first texel in the lowest two bits: E4 is 0 1 2 3, 1B is 3 2 1 0.
TEST(Dxt1Block, FourColoursWhenTheFirstEndIsAbove) {
  const auto texels = dxt1({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x1B, 0x00, 0x55});
  constexpr Pixel red = 0xFFFF0000, blue = 0xFF0000FF, twoThirdsRed = 0xFFAA0055, twoThirdsBlue = 0xFF5500AA;
  const std::array<Pixel, 16> expected = {red,           blue,         twoThirdsRed, twoThirdsBlue,  //
                                          twoThirdsBlue, twoThirdsRed, blue,         red,            //
                                          red,           red,          red,          red,            //
                                          blue,          blue,         blue,         blue};
  EXPECT_EQ(texels, expected);
}

TEST(Dxt1Block, ThreeColoursAndTransparentBlackWhenItIsNot) {
  const auto texels = dxt1({0x1F, 0x00, 0x00, 0xF8, 0xE4, 0xE4, 0xE4, 0xE4});
  EXPECT_EQ(texels[0], 0xFF0000FFu);
  EXPECT_EQ(texels[1], 0xFFFF0000u);
  EXPECT_EQ(texels[2], 0xFF7F007Fu);  // halfway
  EXPECT_EQ(texels[3], 0x00000000u);
  // Equal ends, as the demo game's gradient has them: every index 0 is still the first colour.
  EXPECT_EQ(dxt1({0x34, 0x12, 0x34, 0x12, 0, 0, 0, 0})[15], 0xFF1045A5u);
}

TEST(Dxt1Block, ChannelsWidenByRepeatingTheirTopBits) {
  // 0x8410: red 16 of 31, green 32 of 63, blue 16 of 31.
  const auto texels = dxt1({0xFF, 0xFF, 0x10, 0x84, 0x04, 0, 0, 0});
  EXPECT_EQ(texels[0], 0xFFFFFFFFu);
  EXPECT_EQ(texels[1], 0xFF848284u);
}

// Alpha indices are 3 bits each across six bytes, little-endian: 88 C6 FA is 0 1 2 3 4 5 6 7.
TEST(Dxt5Block, EightAlphasWhenTheFirstIsAbove) {
  // The colours 0x0000 and 0xFFFF would be three-colour in DXT1; here index 3 is a third of the way.
  const auto texels =
      dxt5({255, 0, 0x88, 0xC6, 0xFA, 0x88, 0xC6, 0xFA, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  const std::array<Pixel, 8> alphas = {255, 0, 218, 182, 145, 109, 72, 36};
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(texels[i], alphas[i % 8] << 24 | 0xAAAAAA) << "texel " << i;
}

TEST(Dxt5Block, SixAlphasAndBothExtremesWhenItIsNot) {
  const auto texels = dxt5({40, 240, 0x88, 0xC6, 0xFA, 0, 0, 0, 0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
  const std::array<Pixel, 8> alphas = {40, 240, 80, 120, 160, 200, 0, 255};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(texels[i], alphas[i] << 24 | 0xFF0000) << "texel " << i;
  EXPECT_EQ(texels[8], 40u << 24 | 0xFF0000);
}

TEST(TextureDecode, UncompressedFormatsTopRowFirstInTheirChannelOrder) {
  // Stored bottom row first: the bottom row is 1 2, the top row 3 4.
  const Bytes rgb = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
  const auto decoded = game::decodeTopLevel(3, 2, 2, rgb);
  ASSERT_EQ(decoded.status, DecodeStatus::Decoded);
  EXPECT_EQ(decoded.picture.width, 2);
  EXPECT_EQ(decoded.picture.height, 2);
  EXPECT_EQ(decoded.picture.pixels, (std::vector<Pixel>{0xFF030303, 0xFF040404, 0xFF010101, 0xFF020202}));

  const Bytes four = {0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(game::decodeTopLevel(4, 1, 1, four).picture.pixels, std::vector<Pixel>{0x44112233});  // RGBA32
  EXPECT_EQ(game::decodeTopLevel(5, 1, 1, four).picture.pixels, std::vector<Pixel>{0x11223344});  // ARGB32
}

TEST(TextureDecode, BlocksCoverThePictureBottomUpAndAreCutToItsSize) {
  // 6x6 texels in 2x2 blocks, stored bottom-left, bottom-right, top-left, top-right; each block one
  // colour, but the first one's bottom row (its first) is the other end.
  Bytes data;
  const std::uint16_t colours[] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  for (std::uint16_t colour : colours) {
    data.insert(data.end(),
                {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8), 0, 0});
    data.insert(data.end(), {colour == 0xF800 ? std::uint8_t{0x55} : std::uint8_t{0}, 0, 0, 0});
  }
  data.insert(data.end(), 8, 0xEE);  // a smaller mip level, not read
  const auto decoded = game::decodeTopLevel(10, 6, 6, data);
  ASSERT_EQ(decoded.status, DecodeStatus::Decoded);
  const auto at = [&](int x, int y) { return decoded.picture.pixels[static_cast<std::size_t>(y) * 6 + x]; };
  ASSERT_EQ(decoded.picture.pixels.size(), 36u);
  EXPECT_EQ(at(0, 0), 0xFF0000FFu);
  EXPECT_EQ(at(5, 1), 0xFFFFFFFFu);
  EXPECT_EQ(at(0, 4), 0xFFFF0000u);
  EXPECT_EQ(at(5, 5), 0xFF00FF00u);
  EXPECT_EQ(at(3, 5), 0xFF000000u) << "the bottom row of the first block is its second colour";
  EXPECT_EQ(at(3, 2), 0xFFFF0000u);
}

TEST(TextureDecode, WhatCannotBeDecodedIsSaidSo) {
  const Bytes twelve(12, 0x40);
  EXPECT_EQ(game::decodeTopLevel(63, 2, 2, twelve).status, DecodeStatus::FormatUnsupported);
  EXPECT_EQ(game::decodeTopLevel(34, 4, 4, twelve).status, DecodeStatus::FormatUnsupported);
  EXPECT_EQ(game::decodeTopLevel(3, 0, 2, twelve).status, DecodeStatus::SizeInvalid);
  EXPECT_EQ(game::decodeTopLevel(3, 2, -2, twelve).status, DecodeStatus::SizeInvalid);
  EXPECT_EQ(game::decodeTopLevel(10, 16385, 4, twelve).status, DecodeStatus::SizeInvalid);
  EXPECT_EQ(game::decodeTopLevel(3, 2, 2, Bytes(11, 0)).status, DecodeStatus::DataShort);
  EXPECT_EQ(game::decodeTopLevel(12, 5, 4, Bytes(31, 0)).status, DecodeStatus::DataShort);
  EXPECT_EQ(game::decodeTopLevel(10, 16384, 16384, twelve).status, DecodeStatus::DataShort);
}

// A font of one name table holding the records given (platform, encoding, language, name ID, bytes).
struct NameRecord {
  std::uint16_t platform, encoding, language, nameId;
  Bytes text;
};

Bytes fontWithNames(const std::vector<NameRecord>& records) {
  Bytes table;
  const auto u16 = [](Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
  };
  u16(table, 0);
  u16(table, static_cast<std::uint32_t>(records.size()));
  u16(table, static_cast<std::uint32_t>(6 + 12 * records.size()));
  Bytes strings;
  for (const NameRecord& r : records) {
    for (std::uint16_t value : {r.platform, r.encoding, r.language, r.nameId}) u16(table, value);
    u16(table, static_cast<std::uint32_t>(r.text.size()));
    u16(table, static_cast<std::uint32_t>(strings.size()));
    strings.insert(strings.end(), r.text.begin(), r.text.end());
  }
  table.insert(table.end(), strings.begin(), strings.end());
  Bytes font = {0, 1, 0, 0, 0, 1, 0, 16, 0, 0, 0, 0, 'n', 'a', 'm', 'e', 0, 0, 0, 0, 0, 0, 0, 28};
  const auto length = static_cast<std::uint32_t>(table.size());
  for (int shift : {24, 16, 8, 0}) font.push_back(static_cast<std::uint8_t>(length >> shift));
  font.insert(font.end(), table.begin(), table.end());
  return font;
}

Bytes utf16(std::u16string_view text) {
  Bytes bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    bytes.push_back(static_cast<std::uint8_t>(unit));
  }
  return bytes;
}

TEST(FontNames, PlantedFontsAndCollectionsNameTheirFamily) {
  using testsupport::trueTypeFont;
  EXPECT_EQ(game::fontFamilyNames(trueTypeFont(U"A", "Ember Probe")),
            std::vector<std::wstring>{L"Ember Probe"});
  EXPECT_EQ(game::fontFamilyNames(
                testsupport::trueTypeCollection({trueTypeFont(U"A", "First"), trueTypeFont(U"B", "Second")})),
            std::vector<std::wstring>{L"First"});
}

TEST(FontNames, FamilyBeforeTypographicFamilyWindowsUnicodeFirst) {
  const Bytes font = fontWithNames({
      {1, 0, 0, 1, game_test::textBytes("Mac Ember")},
      {3, 1, 0x0804, 1, utf16(u"余烬体")},
      {3, 1, 0x0409, 16, utf16(u"Ember")},
      {3, 1, 0x0409, 4, utf16(u"Ember Light Regular")},
      {3, 1, 0x0409, 1, Bytes{0, 'E', 0}},  // odd length: no UTF-16 text
      {3, 1, 0x0409, 1, utf16(u"Ember Light")},
      {3, 1, 0x0409, 1, utf16(u"\xD800x")},  // a lone surrogate
      {1, 0, 0, 16, Bytes{'E', 0xE9}},       // not ASCII
      {0, 3, 0, 1, utf16(u"Ember Light")},
  });
  EXPECT_EQ(game::fontFamilyNames(font),
            (std::vector<std::wstring>{L"Ember Light", L"余烬体", L"Mac Ember", L"Ember"}));
}

TEST(FontNames, NothingForBytesThatAreNoFontWithANameTable) {
  EXPECT_TRUE(game::fontFamilyNames(game_test::standInFont()).empty());
  EXPECT_TRUE(game::fontFamilyNames({}).empty());
  EXPECT_TRUE(game::fontFamilyNames(Bytes(20, 0xF0)).empty());
  const Bytes whole = testsupport::trueTypeFont(U"AB", "Ember Probe");
  const game_test::TablePlace name = game_test::tableOf(whole, "name");
  for (std::size_t length :
       {std::size_t{6}, std::size_t{40}, name.offset + 4, name.offset + name.length - 1}) {
    EXPECT_TRUE(game::fontFamilyNames(Bytes(whole.begin(), whole.begin() + length)).empty()) << length;
  }
  EXPECT_EQ(game::fontFamilyNames(game_test::nameTableOnly("Ember Probe")),
            std::vector<std::wstring>{L"Ember Probe"});
  Bytes farString = fontWithNames({{3, 1, 0x0409, 1, utf16(u"Ember")}});
  farString[28 + 6 + 10] = 0x40;  // the string's offset, past the table
  EXPECT_TRUE(game::fontFamilyNames(farString).empty());
}

TEST(LocalizationTable, TheLastFieldOfTipZeroOrElseTheFirstTip) {
  EXPECT_EQ(game::tipOfTable("Key,English\nmenu.quit,Quit\ntip.1,One\ntip.2,Two\n"), "One");
  EXPECT_EQ(game::tipOfTable("Key,English,Chinese\ntip.1,One,一\ntip.0,Zero,零\n"), "零");
  EXPECT_EQ(game::tipOfTable("\xEF\xBB\xBFKey,English\r\ntip.0,Zero\r\n"), "Zero");
  EXPECT_EQ(game::tipOfTable("tip.0,\"Rain, then \"\"ash\"\"\",\"雨，\r\n然后灰\""), "雨，\r\n然后灰");
  EXPECT_EQ(game::tipOfTable("tip.0,\"Rain, then ash\"\n"), "Rain, then ash");
  EXPECT_EQ(game::tipOfTable("tip.0,Zero,\n"), "");
  EXPECT_EQ(game::tipOfTable("tip.0\n"), "");
  EXPECT_EQ(game::tipOfTable("Key,English\nmenu.tip.0,Hint\n\"tip.1\",Quoted key"), "Quoted key");
  EXPECT_EQ(game::tipOfTable("Key,English\nmenu.tip.0,Hint\n"), std::nullopt);
  EXPECT_EQ(game::tipOfTable(""), std::nullopt);
}

class GameFolder : public ::testing::Test {
 protected:
  game::ScreenContent load(const game_test::Game& game) {
    game_test::writeGame(folder_.path(), game);
    return game::loadScreenContent(folder_.path().wstring());
  }

  testsupport::TempDirectory folder_;
};

TEST_F(GameFolder, ReadsThePictureTheTipAndTheFont) {
  const game_test::Game game = game_test::wholeGame();
  const game::ScreenContent content = load(game);
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  std::vector<Pixel> opaque;
  for (std::uint32_t rgb : game_test::kWholePicture) opaque.push_back(0xFF000000 | rgb);
  EXPECT_EQ(content.screen->picture.width, 2);
  EXPECT_EQ(content.screen->picture.height, 2);
  EXPECT_EQ(content.screen->picture.pixels, opaque);
  EXPECT_EQ(content.screen->tip, L"余烬熄灭");
  EXPECT_EQ(content.screen->fontData, game.fonts[0].bytes);
  EXPECT_EQ(content.screen->fontFamilies, std::vector<std::wstring>{L"Ember Probe"});
}

TEST_F(GameFolder, EveryKnownReleaseTheTextureInTheObjectOrBesideTheFile) {
  for (const game_test::Release& release : {game_test::k4x, game_test::k52, game_test::k53}) {
    SCOPED_TRACE(release.engineVersion);
    game_test::Game game = game_test::wholeGame();
    game.release = release;
    if (release.texture == testsupport::TextureLayout::StreamData) {
      testsupport::TextureData& texture = game.textures[0];
      Bytes resource(20 + texture.imageData.size(), 0x99);
      std::copy(texture.imageData.begin(), texture.imageData.end(), resource.begin() + 20);
      game.otherFiles["sharedassets1.assets.resS"] = resource;
      texture.streamOffset = 20;
      texture.streamSize = static_cast<std::uint32_t>(texture.imageData.size());
      texture.streamPath = "archive:/CAB-1/sharedassets1.assets.resS";
      texture.imageData.clear();
    }
    const game::ScreenContent content = load(game);
    ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
    EXPECT_EQ(content.screen->picture.pixels[0], 0xFF203060u);
    EXPECT_EQ(content.screen->tip, L"余烬熄灭");
    EXPECT_EQ(content.screen->fontFamilies, std::vector<std::wstring>{L"Ember Probe"});
  }
}

TEST_F(GameFolder, AnotherLoadingScreenOnlyWhenAshfallIsMissing) {
  game_test::Game game = game_test::wholeGame();
  game.textures = {game_test::rgbTexture("UIAtlas", 1, 1, {0x111111}),
                   game_test::rgbTexture("LoadingScreen_Hearth", 1, 1, {0x222222}),
                   game_test::rgbTexture("LoadingScreen_Moorlight", 1, 1, {0x333333})};
  EXPECT_EQ(load(game).screen->picture.pixels, std::vector<Pixel>{0xFF222222});
  game.textures.push_back(game_test::rgbTexture("LoadingScreen_Ashfall", 1, 1, {0x444444}));
  EXPECT_EQ(load(game).screen->picture.pixels, std::vector<Pixel>{0xFF444444});
  game.textures.back().name = "LoadingScreen_Ashfall_Old";
  EXPECT_EQ(load(game).screen->picture.pixels, std::vector<Pixel>{0xFF222222});
}

struct Damage {
  const char* name;
  std::function<void(game_test::Game&)> change;
  std::wstring reason;  // what follows "cannot read the game data: "
  std::function<void(const std::filesystem::path&)> afterWriting = [](const std::filesystem::path&) {};
};

void PrintTo(const Damage& damage, std::ostream* out) {
  *out << damage.name;
}

class DamagedGame : public GameFolder, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedGame, NamesWhatFailedInsteadOfAScreen) {
  game_test::Game game = game_test::wholeGame();
  GetParam().change(game);
  game_test::writeGame(folder_.path(), game);
  GetParam().afterWriting(folder_ / "Cindermoor_Data");
  const game::ScreenContent content = game::loadScreenContent(folder_.path().wstring());
  EXPECT_FALSE(content.screen);
  EXPECT_EQ(content.failure, L"无法读取游戏数据 / cannot read the game data: " + GetParam().reason);
}

void leave(game_test::Game&) {}

const Damage kDamages[] = {
    {"NoResources", leave, L"Cindermoor_Data\\resources.assets (无法打开 / cannot be opened)",
     [](const std::filesystem::path& data) { std::filesystem::remove(data / "resources.assets"); }},
    {"SharedAssetsCut", leave, L"Cindermoor_Data\\sharedassets1.assets (文件有误 / damaged file)",
     [](const std::filesystem::path& data) {
       const Bytes whole = testsupport::readFile(data / "sharedassets1.assets");
       testsupport::writeFile(data / "sharedassets1.assets",
                              Bytes(whole.begin(), whole.begin() + whole.size() / 2));
     }},
    {"NoLoadingScreen", [](game_test::Game& g) { g.textures[0].name = "Ashfall"; },
     L"Texture2D LoadingScreen_Ashfall (未找到 / not found)"},
    {"ImageDataShort", [](game_test::Game& g) { g.textures[0].imageData.pop_back(); },
     L"Texture2D LoadingScreen_Ashfall (图像数据不足 / image data too short)"},
    {"FormatUnsupported", [](game_test::Game& g) { g.textures[0].textureFormat = 34; },
     L"Texture2D LoadingScreen_Ashfall (不支持的纹理格式 34 / texture format 34 not supported)"},
    {"SizeInvalid", [](game_test::Game& g) { g.textures[0].width = 0; },
     L"Texture2D LoadingScreen_Ashfall (尺寸无效 0x2 / invalid size 0x2)"},
    {"LaidOutForAnotherRelease", [](game_test::Game& g) { g.release.engineVersion = "5.3.4f1"; },
     L"Texture2D LoadingScreen_Ashfall (对象数据有误 / damaged object data)"},
    {"PixelFileMissing",
     [](game_test::Game& g) {
       g.release = game_test::k53;
       g.textures[0].imageData.clear();
       g.textures[0].streamSize = 12;
       g.textures[0].streamPath = "sharedassets1.assets.resS";
     },
     L"Texture2D LoadingScreen_Ashfall (像素文件无法读取 / the pixel file cannot be read)"},
    {"ReleaseUnknown", [](game_test::Game& g) { g.release.engineVersion = "9999.1.0f1"; },
     L"Texture2D LoadingScreen_Ashfall (未知的对象布局 / unknown object layout)"},
    {"NoLocalization", [](game_test::Game& g) { g.texts[0].name = "Credits"; },
     L"TextAsset Localization (未找到 / not found)"},
    {"NoTip",
     [](game_test::Game& g) { g.texts[0].bytes = game_test::textBytes("Key,English\nmenu.quit,Quit\n"); },
     L"TextAsset Localization (没有提示文字 / no tip text)"},
    {"TipNotUtf8",
     [](game_test::Game& g) {
       g.texts[0].bytes = game_test::textBytes("Key,English\ntip.0,\xD3\xE0\xBD\xFD\n");
     },
     L"TextAsset Localization (不是 UTF-8 文本 / not UTF-8 text)"},
    {"NoFont", [](game_test::Game& g) { g.fonts[0].name = "MoorSerif"; },
     L"Font EmberSans (未找到 / not found)"},
    {"StandInFont", [](game_test::Game& g) { g.fonts[0].bytes = game_test::standInFont(); },
     L"Font EmberSans (不是带字体名的 TrueType 字体 / not a TrueType font with a family name)"},
    {"EmptyFont", [](game_test::Game& g) { g.fonts[0].bytes.clear(); },
     L"Font EmberSans (没有字体数据 / no font data)"},
};

INSTANTIATE_TEST_SUITE_P(Objects, DamagedGame, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
