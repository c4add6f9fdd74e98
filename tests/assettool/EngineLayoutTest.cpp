// The object layouts of every engine release qmx knows, each built here as the engine writes it:
// read, replaced and written back, the replacement must land where the engine reads it and every
// other field must read as before. Releases whose layout is unknown keep their objects.
#include <gtest/gtest.h>

#include <optional>

#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"
#include "support/LayoutObjects.h"
#include "support/ObjectData.h"
#include "support/Releases.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::int32_t kTextureClass = 28;
constexpr std::int32_t kTextAssetClass = 49;
constexpr std::int32_t kFontClass = 128;

fields::ObjectLayout layoutOf(std::int32_t classId, const Release& release) {
  return releaseLayout(classId, release.engineVersion).value();
}

// The grid fonts of 3.5 and before store rectangles without the flipped flag.
std::size_t rectLength(const Release& release) {
  return release.font ? 44 : 40;
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

FontData oddFont(const Release& release) {
  FontData f;
  f.name = "Body";
  f.characterRects = characterRects(2, rectLength(release));
  f.fontData = Bytes(21, 0xF1);
  f.fallbackFonts = 2;
  return f;
}

// The font as the release writes it: hand-written where the layout was measured on real files,
// and for the grid fonts of 3.5 from the table's layout, with the fields a grid font has.
Bytes fontFor(const Release& release, const FontData& font) {
  if (release.font) return fontObject(font, *release.font);
  LayoutValues values;
  values.serialized = {{"m_Name", counted(font.name)},
                       {"m_CharacterRects", font.characterRects},
                       {"m_FontData", counted(font.fontData)}};
  return layoutObject(layoutOf(kFontClass, release).nodes, values);
}

template <typename Record>
Bytes written(const Record& record, const std::filesystem::path& file) {
  writeFile(file, Bytes(8, 0xEE));
  AssetStream stream;
  EXPECT_TRUE(stream.open(file.wstring(), false));
  stream.seekEnd();
  const std::int64_t start = stream.position();
  EXPECT_TRUE(record.write(stream));
  const auto size = static_cast<std::int32_t>(stream.position() - start);
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
  TextureData texture = oddTexture();
  texture.streamOffset = 4096;
  texture.streamSize = 65536;
  texture.streamPath = "archive:/sharedassets1.assets.resS";
  const Bytes original = textureObject(texture, release.texture);
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(original, layoutOf(kTextureClass, release)));
  EXPECT_EQ(written(record, dir_ / "asset"), original);
  EXPECT_EQ(record.imageData(), texture.imageData);
  EXPECT_EQ(record.textureFormat(), 5);

  Bytes longer = original;
  longer.resize(longer.size() + 4, 0);
  EXPECT_FALSE(Texture2DRecord().parse(longer, layoutOf(kTextureClass, release)))
      << "more than the layout's fields";
  EXPECT_FALSE(
      Texture2DRecord().parse(Bytes(original.begin(), original.end() - 4), layoutOf(kTextureClass, release)));
}

TEST_P(EngineLayout, ADdsLandsWhereTheEngineReadsThePixels) {
  const Release& release = GetParam();
  TextureData texture = oddTexture();
  texture.streamOffset = 4096;
  texture.streamSize = 65536;
  texture.streamPath = "archive:/sharedassets1.assets.resS";
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(textureObject(texture, release.texture), layoutOf(kTextureClass, release)));
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
  FontData font = oddFont(release);
  const Bytes original = fontFor(release, font);
  FontRecord record;
  ASSERT_TRUE(record.parse(original, layoutOf(kFontClass, release)));
  EXPECT_EQ(written(record, dir_ / "asset"), original);
  EXPECT_EQ(record.fontData(), font.fontData);
  EXPECT_EQ(record.characterRects(), font.characterRects);

  Bytes longer = original;
  longer.resize(longer.size() + 4, 0);
  EXPECT_FALSE(FontRecord().parse(longer, layoutOf(kFontClass, release)));

  place("Body.rect", characterRects(5, rectLength(release)));
  ASSERT_EQ(record.importFont(place("Body.ttf", Bytes(1003, 0x77))), FontRecord::FontImport::Imported);
  font.fontData = Bytes(1003, 0x77);
  font.characterRects = characterRects(5, rectLength(release));
  EXPECT_EQ(written(record, dir_ / "asset"), fontFor(release, font));
}

TEST_P(EngineLayout, TextAssetsAreTheSameInEveryRelease) {
  const fields::ObjectLayout layout = layoutOf(kTextAssetClass, GetParam());
  Bytes padded = textAssetObject("Localization", Bytes(5, 'e'), "Assets/Localization.txt");
  padded.resize(padded.size() + 1, 0);  // what the engine pads its last field with
  TextAssetRecord record;
  EXPECT_TRUE(record.parse(padded, layout));
  padded.resize(padded.size() + 4, 0);
  EXPECT_FALSE(TextAssetRecord().parse(padded, layout));
}

INSTANTIATE_TEST_SUITE_P(Releases, EngineLayout, ::testing::ValuesIn(kReleases));

// Every release from 3.0 to the newest dumped one has layouts; a text that names no release, a
// release past the newest, and an alpha the table cannot vouch for have none.
TEST(ReleaseLayouts, AreKnownFromTheTableAndNowhereElse) {
  for (const char* known : {"3.4.2f3", "3.5.7f6", "5.5.0f3", "2017.4.40f1", "2020.3.0f1c1", "6000.0.23f1"}) {
    for (std::int32_t classId : {kTextureClass, kTextAssetClass, kFontClass})
      EXPECT_TRUE(releaseLayout(classId, known)) << known << " class " << classId;
  }
  for (const char* unknown : {"", "0.0.0", "unknown", "5.2", "9999.1.0f1", "2019.3.0a1", "2.6.1f3"}) {
    for (std::int32_t classId : {kTextureClass, kTextAssetClass, kFontClass})
      EXPECT_FALSE(releaseLayout(classId, unknown)) << unknown << " class " << classId;
  }
  EXPECT_FALSE(releaseLayout(1, "5.2.3f1")) << "a class without a record";
}

// A 5.2 texture as the engine writes it, with padding after its image data, is read and written
// back as qmx has always written that release: without the padding, which ends the object.
TEST(EngineLayout52, TakesTheEnginesPaddingAndWritesWithout) {
  TempDirectory dir;
  const TextureData texture = oddTexture();
  Bytes padded = textureObject(texture, TextureLayout::MipCount);
  padded.resize((padded.size() + 3) / 4 * 4, 0);
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(padded, *releaseLayout(kTextureClass, "5.2.3f1")));
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
  TextureData texture = oddTexture();
  FontData font = oddFont(release);
  put("Texture2D/Loading.dds", ddsFile(2, 1, Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  put("TextAsset/Localization.txt", Bytes{'z', 'h'});
  put("Font/Body.ttf", Bytes(6, 0x66));
  put("Font/Body.rect", characterRects(1, rectLength(release)));

  const std::vector<std::wstring> lines =
      repack(describe(release, textureObject(texture, release.texture), fontFor(release, font)));
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"正在重新打包！请不要关闭本窗口！", L"完成！"}));

  const std::map<std::int64_t, Bytes> after = objectsAfter();
  texture.width = 2;
  texture.height = 1;
  texture.imageData = {4, 3, 2, 1, 8, 7, 6, 5};
  EXPECT_EQ(after.at(1), textureObject(texture, release.texture));
  EXPECT_EQ(after.at(2), textAssetObject("Localization", Bytes{'z', 'h'}));
  font.fontData = Bytes(6, 0x66);
  font.characterRects = characterRects(1, rectLength(release));
  EXPECT_EQ(after.at(3), fontFor(release, font));
}

TEST_P(EngineLayoutRepack, AMalformedRectLeavesTheFontAsItWas) {
  const Release& release = GetParam();
  const Bytes font = fontFor(release, oddFont(release));
  Bytes rect = characterRects(2, rectLength(release));
  rect.pop_back();
  put("Font/Body.ttf", Bytes(6, 0x66));
  put("Font/Body.rect", rect);
  const std::vector<std::wstring> lines =
      repack(describe(release, textureObject(oddTexture(), release.texture), font));
  EXPECT_EQ(lines.at(1), L"字符矩形文件有误，未替换：Font Body (PathID 3)");
  EXPECT_EQ(objectsAfter().at(3), font);
}

INSTANTIATE_TEST_SUITE_P(Releases, EngineLayoutRepack, ::testing::ValuesIn(kReleases));

// Files of releases whose layouts qmx does not know (newer than the table, an alpha it cannot vouch
// for), or whose version text names no release: objects with replacements keep their data, each
// with one line.
TEST(UnknownLayouts, KeepTheirObjectsWithOneLineEach) {
  for (const char* engineVersion : {"9999.1.0f1", "5.2.0a1", "0.0.0", "unknown", ""}) {
    TempDirectory dir;
    AssetDescription d;
    d.formatVersion = 15;
    d.engineVersion = engineVersion;
    d.types = {{28, {}, {}, {}, {}}, {128, {}, {}, {}, {}}};
    TextureData texture = oddTexture();
    d.objects = {{1, 28, 28, 0xFFFF, 0, textureObject(texture, TextureLayout::MipCount)},
                 {2, 128, 128, 0xFFFF, 0, fontObject(oddFont(kReleases[5]), FontLayout::LargeReferences)}};
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
