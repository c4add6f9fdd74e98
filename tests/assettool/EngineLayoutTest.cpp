// The object layouts of every engine release qmx knows, each built here as the engine writes it:
// read, replaced and written back, the replacement must land where the engine reads it and every
// other field must read as before. Releases whose layout is unknown keep their objects.
#include <gtest/gtest.h>

#include <optional>

#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "codecs/FontRecord.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "platform/Platform.h"
#include "serialized/EngineVersion.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/Releases.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

engine::Version versionOf(const Release& release) {
  return *engine::parseVersion(release.engineVersion);
}

// Lengths that leave the fields after them off a multiple of 4.
TextureData oddTexture() {
  TextureData t;
  t.name = "Loading";
  t.textureFormat = 5;
  t.imageData = Bytes(13, 0x5A);
  t.flags = {1, 0, 1};
  return t;
}

FontData oddFont() {
  FontData f;
  f.name = "Body";
  f.characterRects = characterRects(2);
  f.fontData = Bytes(21, 0xF1);
  f.fallbackFonts = 2;
  return f;
}

template <typename Record>
Bytes written(const Record& record, const std::filesystem::path& file) {
  writeFile(file, Bytes(8, 0xEE));
  AssetStream stream;
  EXPECT_TRUE(stream.open(file.wstring(), false));
  stream.seekEnd();
  const std::int32_t size = record.write(stream);
  EXPECT_TRUE(stream.close());
  const Bytes bytes = readFile(file);
  EXPECT_EQ(static_cast<std::size_t>(size), bytes.size() - 8);
  return Bytes(bytes.begin() + 8, bytes.end());
}

class EngineLayout : public ::testing::TestWithParam<Release> {
 protected:
  std::wstring place(const std::string& name, const Bytes& bytes) {
    writeFile(dir_ / name, bytes);
    return (dir_ / name).wstring();
  }
  TempDirectory dir_;
};

TEST_P(EngineLayout, TexturesReadToTheirEndAndWriteBackAsRead) {
  const Release& release = GetParam();
  ASSERT_TRUE(engine::hasKnownTextureLayout(versionOf(release)));
  TextureData texture = oddTexture();
  texture.streamOffset = 4096;
  texture.streamSize = 65536;
  texture.streamPath = "archive:/sharedassets1.assets.resS";
  const Bytes original = textureObject(texture, release.texture);
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(original, versionOf(release)));
  EXPECT_EQ(written(record, dir_ / "asset"), original);
  EXPECT_EQ(record.imageData(), texture.imageData);
  EXPECT_EQ(record.textureFormat(), 5);

  Bytes longer = original;
  longer.resize(longer.size() + 4, 0);
  EXPECT_FALSE(Texture2DRecord().parse(longer, versionOf(release))) << "more than the layout's fields";
  EXPECT_FALSE(Texture2DRecord().parse(Bytes(original.begin(), original.end() - 4), versionOf(release)));
}

TEST_P(EngineLayout, ADdsLandsWhereTheEngineReadsThePixels) {
  const Release& release = GetParam();
  TextureData texture = oddTexture();
  texture.streamOffset = 4096;
  texture.streamSize = 65536;
  texture.streamPath = "archive:/sharedassets1.assets.resS";
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(textureObject(texture, release.texture), versionOf(release)));
  ASSERT_EQ(record.importDds(place("t.dds", ddsFile(3, 5, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}))),
            Texture2DRecord::DdsImport::Imported);

  texture.width = 3;
  texture.height = 5;
  texture.imageData = {4, 3, 2, 1, 8, 7, 6, 5, 9};
  // The pixels are inside the object now: a resource file would hold the old ones.
  texture.streamOffset = 0;
  texture.streamSize = 0;
  texture.streamPath = "";
  EXPECT_EQ(written(record, dir_ / "asset"), textureObject(texture, release.texture));
}

TEST_P(EngineLayout, FontsReadToTheirEndAndTakeTheTtfAndRect) {
  const Release& release = GetParam();
  if (!release.font) {
    EXPECT_FALSE(engine::hasKnownFontLayout(versionOf(release), release.formatVersion));
    return;
  }
  ASSERT_TRUE(engine::hasKnownFontLayout(versionOf(release), release.formatVersion));
  FontData font = oddFont();
  const Bytes original = fontObject(font, *release.font);
  FontRecord record;
  ASSERT_TRUE(record.parse(original, versionOf(release), release.formatVersion));
  EXPECT_EQ(written(record, dir_ / "asset"), original);
  EXPECT_EQ(record.fontData(), font.fontData);
  EXPECT_EQ(record.characterRects(), font.characterRects);

  Bytes longer = original;
  longer.resize(longer.size() + 4, 0);
  EXPECT_FALSE(FontRecord().parse(longer, versionOf(release), release.formatVersion));

  place("Body.rect", characterRects(5));
  ASSERT_EQ(record.importFont(place("Body.ttf", Bytes(1003, 0x77))), FontRecord::FontImport::Imported);
  font.fontData = Bytes(1003, 0x77);
  font.characterRects = characterRects(5);
  EXPECT_EQ(written(record, dir_ / "asset"), fontObject(font, *release.font));
}

TEST_P(EngineLayout, TextAssetsAreTheSameInEveryRelease) {
  EXPECT_TRUE(engine::hasKnownTextAssetLayout(versionOf(GetParam())));
  Bytes padded = textAssetObject("Localization", Bytes(5, 'e'), "Assets/Localization.txt");
  padded.resize(padded.size() + 1, 0);  // what the engine pads its last field with
  TextAssetRecord record;
  EXPECT_TRUE(record.parse(padded));
  padded.resize(padded.size() + 4, 0);
  EXPECT_FALSE(TextAssetRecord().parse(padded));
}

INSTANTIATE_TEST_SUITE_P(Releases, EngineLayout, ::testing::ValuesIn(kReleases));

TEST(EngineVersion, ReadsMajorAndMinorAtTheStartOfTheText) {
  const struct {
    const char* text;
    std::optional<std::pair<int, int>> version;
  } cases[] = {
      {"5.2.3f1", std::pair{5, 2}}, {"4.7.2p3", std::pair{4, 7}}, {"2017.4.40f1", std::pair{2017, 4}},
      {"5.4", std::pair{5, 4}},     {"5.0b22", std::pair{5, 0}},  {"5", std::nullopt},
      {"5.", std::nullopt},         {".2.3", std::nullopt},       {"5.x", std::nullopt},
      {"-5.2.3", std::nullopt},     {"5.2-3", std::nullopt},      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<engine::Version> version = engine::parseVersion(c.text);
    ASSERT_EQ(version.has_value(), c.version.has_value()) << c.text;
    if (version) {
      EXPECT_EQ(std::pair(version->major, version->minor), *c.version) << c.text;
    }
  }
}

TEST(EngineVersion, KnownLayoutsFollowTheReleaseAndTheFormat) {
  EXPECT_FALSE(engine::hasKnownTextureLayout({3, 4}));
  EXPECT_FALSE(engine::hasKnownTextureLayout({5, 5}));
  EXPECT_FALSE(engine::hasKnownTextureLayout({2017, 1}));
  EXPECT_FALSE(engine::hasKnownFontLayout({3, 5}, 9)) << "grid fonts";
  EXPECT_FALSE(engine::hasKnownFontLayout({4, 7}, 15)) << "4.x references are 8 bytes";
  EXPECT_FALSE(engine::hasKnownFontLayout({5, 2}, 9)) << "5.x references are 12 bytes";
  EXPECT_TRUE(engine::hasKnownTextAssetLayout({3, 4}));
  EXPECT_FALSE(engine::hasKnownTextAssetLayout({5, 6}));
}

// A 5.2 texture as the engine writes it, with padding after its image data, is read and written
// back as qmx has always written that release: without the padding, which ends the object.
TEST(EngineLayout52, TakesTheEnginesPaddingAndWritesWithout) {
  TempDirectory dir;
  const TextureData texture = oddTexture();
  Bytes padded = textureObject(texture, TextureLayout::MipCount);
  padded.resize((padded.size() + 3) / 4 * 4, 0);
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(padded, {5, 2}));
  EXPECT_EQ(written(record, dir / "asset"), textureObject(texture, TextureLayout::MipCount));
}

// Through a whole run: each release's file with a texture, a font and a text asset replaced.
class EngineLayoutRepack : public ::testing::TestWithParam<Release> {
 protected:
  static constexpr std::int16_t kTexture2D = 28;
  static constexpr std::int16_t kTextAsset = 49;
  static constexpr std::int16_t kFont = 128;

  std::vector<std::wstring> repack(const AssetDescription& description) {
    writeFile(asset(), buildAsset(description).bytes);
    ClassIdTable classes;
    classes.build(*platform::classTableText());
    std::vector<std::wstring> lines;
    runRepack(asset().wstring(), classes, [&](std::wstring_view line) { lines.emplace_back(line); });
    return lines;
  }
  std::map<std::int64_t, Bytes> objectsAfter() {
    SerializedFile file;
    EXPECT_EQ(file.load(asset().wstring()), LoadStatus::Loaded);
    std::map<std::int64_t, Bytes> objects;
    for (const auto& [key, info] : file.objects().entries())
      objects[info.pathId] = file.readObjectBytes(info);
    file.close();
    return objects;
  }
  std::filesystem::path asset() const { return dir_ / "sharedassets1.assets"; }
  void put(const std::string& name, const Bytes& bytes) {
    writeFile(dir_ / "sharedassets1_unpak" / name, bytes);
  }

  AssetDescription describe(const Release& release, const Bytes& texture, const Bytes& font) {
    AssetDescription d;
    d.formatVersion = release.formatVersion;
    d.engineVersion = release.engineVersion;
    for (std::int16_t classId : {kTexture2D, kTextAsset, kFont}) d.types.push_back({classId, {}, {}, {}, {}});
    d.objects = {
        {1, kTexture2D, kTexture2D, 0xFFFF, 0, texture},
        {2, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Localization", Bytes(3, 'e'))},
        {3, kFont, kFont, 0xFFFF, 0, font},
    };
    return d;
  }

  TempDirectory dir_;
};

TEST_P(EngineLayoutRepack, EveryHandledClassTakesItsReplacement) {
  const Release& release = GetParam();
  const FontLayout fontLayout = release.font.value_or(FontLayout::SmallReferences);
  TextureData texture = oddTexture();
  FontData font = oddFont();
  const Bytes fontBefore = fontObject(font, fontLayout);
  put("Texture2D/Loading.dds", ddsFile(2, 1, Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  put("TextAsset/Localization.txt", Bytes{'z', 'h'});
  put("Font/Body.ttf", Bytes(6, 0x66));
  put("Font/Body.rect", characterRects(1));

  const std::vector<std::wstring> lines =
      repack(describe(release, textureObject(texture, release.texture), fontBefore));
  std::vector<std::wstring> expectedLines = {L"正在重新打包！请不要关闭本窗口！"};
  if (!release.font) expectedLines.push_back(L"未知的对象布局，未替换：Font Body (PathID 3)");
  expectedLines.push_back(L"完成！");
  EXPECT_EQ(lines, expectedLines);

  const std::map<std::int64_t, Bytes> after = objectsAfter();
  texture.width = 2;
  texture.height = 1;
  texture.imageData = {4, 3, 2, 1, 8, 7, 6, 5};
  EXPECT_EQ(after.at(1), textureObject(texture, release.texture));
  EXPECT_EQ(after.at(2), textAssetObject("Localization", Bytes{'z', 'h'}));
  font.fontData = Bytes(6, 0x66);
  font.characterRects = characterRects(1);
  EXPECT_EQ(after.at(3), release.font ? fontObject(font, fontLayout) : fontBefore);
}

TEST_P(EngineLayoutRepack, AMalformedRectLeavesTheFontAsItWas) {
  const Release& release = GetParam();
  const Bytes font = fontObject(oddFont(), release.font.value_or(FontLayout::SmallReferences));
  Bytes rect = characterRects(2);
  rect.pop_back();
  put("Font/Body.ttf", Bytes(6, 0x66));
  put("Font/Body.rect", rect);
  const std::vector<std::wstring> lines =
      repack(describe(release, textureObject(oddTexture(), release.texture), font));
  // Before 4.0 the font's layout is unknown, which is said first.
  EXPECT_EQ(lines.at(1), release.font ? L"字符矩形文件有误，未替换：Font Body (PathID 3)"
                                      : L"未知的对象布局，未替换：Font Body (PathID 3)");
  EXPECT_EQ(objectsAfter().at(3), font);
}

INSTANTIATE_TEST_SUITE_P(Releases, EngineLayoutRepack, ::testing::ValuesIn(kReleases));

// Files of releases whose layouts qmx does not know, or whose version text does not read as one:
// objects with replacements keep their data, each with one line.
TEST(UnknownLayouts, KeepTheirObjectsWithOneLineEach) {
  for (const char* engineVersion : {"2017.4.40f1", "5.5.0f3", "3.4.2f3", "unknown", ""}) {
    TempDirectory dir;
    AssetDescription d;
    d.formatVersion = 15;
    d.engineVersion = engineVersion;
    d.types = {{28, {}, {}, {}, {}}, {128, {}, {}, {}, {}}};
    TextureData texture = oddTexture();
    d.objects = {{1, 28, 28, 0xFFFF, 0, textureObject(texture, TextureLayout::MipCount)},
                 {2, 128, 128, 0xFFFF, 0, fontObject(oddFont(), FontLayout::LargeReferences)}};
    const BuiltAsset built = buildAsset(d);
    writeFile(dir / "level.assets", built.bytes);
    writeFile(dir / "level_unpak" / "Texture2D" / "Loading.dds", ddsFile(1, 1, Bytes(4, 1)));
    writeFile(dir / "level_unpak" / "Font" / "Body.ttf", Bytes(4, 1));
    ClassIdTable classes;
    classes.build(*platform::classTableText());
    std::vector<std::wstring> lines;
    runRepack((dir / "level.assets").wstring(), classes,
              [&](std::wstring_view line) { lines.emplace_back(line); });
    std::vector<std::wstring> expected = {L"正在重新打包！请不要关闭本窗口！",
                                          L"未知的对象布局，未替换：Texture2D Loading (PathID 1)",
                                          L"未知的对象布局，未替换：Font Body (PathID 2)", L"完成！"};
    EXPECT_EQ(lines, expected) << engineVersion;
    EXPECT_EQ(readFile(dir / "level.assets"), built.bytes) << engineVersion;
  }
}

}  // namespace
