// Every distinct Texture2D, Font and TextAsset layout of the engine's table, in a file of the
// format its release writes: exported by the kit and repacked by qmx, each object comes back as it
// was; planted replacements land in the fields the engine reads them from, and every other field
// keeps its bytes. The objects are written from the layouts by the test's own writer.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <tuple>

#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "commands/CheckCommand.h"
#include "commands/ExportCommand.h"
#include "layouts/ObjectLayouts.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"
#include "support/LayoutObjects.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kFont = 128;

// The serialized format a release writes its player files in; nothing for the releases whose
// files qmx does not read (before 3.5: format 8; from 6000.7: format 24 on).
std::optional<std::int32_t> formatOf(const layouts::Release& r) {
  const auto at = [&r](int major, int minor) {
    return std::pair(r.major, r.minor) >= std::pair(major, minor);
  };
  if (!at(3, 5) || at(6000, 7)) return std::nullopt;
  if (!at(5, 0)) return 9;
  if (!at(5, 5)) return r.minor == 0 && r.patch == 0 ? 14 : 15;
  if (!at(2019, 1)) return 17;
  if (!at(2019, 2)) return 19;
  if (!at(2019, 3)) return 20;
  if (!at(2020, 1)) return 21;
  const bool alphaFiveOn = r.stage > 0 || r.build >= 5;  // 6000.5 from its fifth alpha
  return at(6000, 6) || (at(6000, 5) && alphaFiveOn) ? 23 : 22;
}

struct LayoutRelease {
  std::string version;
  std::int32_t format;
};

void PrintTo(const LayoutRelease& release, std::ostream* out) {
  *out << release.version << " format " << release.format;
}

// The first release of every distinct combination of the three layouts, and the last release
// before it where the layouts change inside a minor release: both sides of every patch-level
// boundary.
std::vector<LayoutRelease> layoutReleases() {
  std::vector<LayoutRelease> releases;
  std::tuple<const void*, const void*, const void*> previous{};
  std::optional<std::pair<std::string_view, layouts::Release>> before;
  for (std::string_view version : layouts::dumpedVersions()) {
    const layouts::Release release = *layouts::parseRelease(version);
    const std::optional<std::int32_t> format = formatOf(release);
    if (!format) continue;
    const std::tuple current{layouts::layoutFor(kTexture2D, version)->data(),
                             layouts::layoutFor(kFont, version)->data(),
                             layouts::layoutFor(kTextAsset, version)->data()};
    if (current != previous) {
      const bool sameMinor =
          before && before->second.major == release.major && before->second.minor == release.minor;
      if (sameMinor && (releases.empty() || releases.back().version != before->first))
        releases.push_back({std::string(before->first), *formatOf(before->second)});
      releases.push_back({std::string(version), *format});
      previous = current;
    }
    before = std::pair(version, release);
  }
  return releases;
}

layouts::Layout tableLayout(std::int32_t classId, const std::string& version) {
  return *layouts::layoutFor(classId, version);
}

// The rectangles of a release: 44 bytes each, or 40 for the grid fonts without a flipped flag.
std::size_t rectLength(const std::string& version) {
  const layouts::Layout font = tableLayout(kFont, version);
  const auto info = std::find_if(font.begin(), font.end(), [](const layouts::LayoutNode& node) {
    return std::string_view(node.type) == "CharacterInfo";
  });
  return static_cast<std::size_t>((info->byteSize + 3) / 4 * 4);
}

Bytes pattern(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
  return bytes;
}

// Fields that no replacement touches, with values that show where they landed.
LayoutValues keptFields() {
  LayoutValues values;
  values.numbers = {{"m_TextureSettings.m_FilterMode", 2},
                    {"m_TextureSettings.m_Aniso", 9},
                    {"m_LightmapFormat", 6},
                    {"m_ColorSpace", 1},
                    {"m_ImageCount", 1},
                    {"m_TextureDimension", 2},
                    {"m_IsReadable", 1},
                    {"m_StreamingMipmapsPriority", -3},
                    {"m_LineSpacing", 0x41A00000},
                    {"m_FontSize", 16},
                    {"m_Ascent", 0x41600000},
                    {"m_AsciiStartOffset", 32},
                    {"m_CharacterSpacing", 1},
                    {"m_FontRenderingMode", 3}};
  return values;
}

// m_FontNames holds one string: a count, then the string's length and its bytes, padded.
Bytes oneFontName() {
  return {1, 0, 0, 0, 5, 0, 0, 0, 'A', 'r', 'i', 'a', 'l', 0, 0, 0};
}

class EveryLayout : public ::testing::TestWithParam<LayoutRelease> {
 protected:
  void SetUp() override { classes_.build(*platform::classTableText()); }

  const std::string& version() const { return GetParam().version; }
  bool is52() const { return version().starts_with("5.2."); }

  Bytes texture(LayoutValues values) const {
    merge(values, keptFields());
    return layoutObject(tableLayout(kTexture2D, version()), values, !is52());
  }
  Bytes font(LayoutValues values) const {
    merge(values, keptFields());
    values.serialized["m_FontNames"] = oneFontName();
    return layoutObject(tableLayout(kFont, version()), values);
  }
  Bytes textAsset(const LayoutValues& values) const {
    return layoutObject(tableLayout(kTextAsset, version()), values);
  }

  static void merge(LayoutValues& values, const LayoutValues& more) {
    values.numbers.insert(more.numbers.begin(), more.numbers.end());
    values.serialized.insert(more.serialized.begin(), more.serialized.end());
  }

  // A texture with its pixels inside, a font with rectangles and a text.
  LayoutValues textureValues() const {
    LayoutValues values;
    values.numbers = {{"m_Width", 4},
                      {"m_Height", 2},
                      {"m_CompleteImageSize", 32},
                      {"m_TextureFormat", 4},
                      {"m_MipCount", 1}};
    values.serialized = {{"m_Name", counted("Loading")}, {"image data", counted(pattern(32, 3))}};
    return values;
  }
  LayoutValues fontValues() const {
    LayoutValues values;
    values.serialized = {{"m_Name", counted("Body")},
                         {"m_FontData", counted(pattern(37, 5))},
                         {"m_CharacterRects", characterRects(2, rectLength(version()))}};
    return values;
  }
  LayoutValues textValues() const {
    LayoutValues values;
    values.serialized = {{"m_Name", counted("Story")},
                         {"m_Script", counted("once upon a time")},
                         {"m_PathName", counted("Assets/Story.txt")}};
    return values;
  }

  void build(const Bytes& texture, const Bytes& font, const Bytes& text) {
    AssetDescription d;
    d.formatVersion = GetParam().format;
    d.engineVersion = version();
    d.targetPlatform = 19;
    const bool indexed = d.formatVersion >= 16;
    for (std::int16_t classId : {kTexture2D, kTextAsset, kFont}) d.types.push_back({classId, {}, {}, {}, {}});
    const auto typeOf = [indexed](std::int16_t classId, std::int32_t index) {
      return indexed ? index : classId;
    };
    d.objects = {{1, typeOf(kTexture2D, 0), kTexture2D, 0xFFFF, 0, texture},
                 {2, typeOf(kTextAsset, 1), kTextAsset, 0xFFFF, 0, text},
                 {3, typeOf(kFont, 2), kFont, 0xFFFF, 0, font}};
    writeFile(asset(), buildAsset(d).bytes);
  }

  std::vector<std::wstring> repack() {
    std::vector<std::wstring> lines;
    runRepack(asset().wstring(), classes_, [&](std::wstring_view line) { lines.emplace_back(line); });
    return lines;
  }
  std::map<std::int64_t, Bytes> objects() {
    SerializedFile file;
    EXPECT_EQ(file.load(asset().wstring()), LoadStatus::Loaded);
    std::map<std::int64_t, Bytes> objects;
    for (const auto& [key, info] : file.objects().entries())
      objects[info.pathId] = file.readObjectBytes(info);
    file.close();
    return objects;
  }

  std::filesystem::path asset() const { return dir_ / "sharedassets1.assets"; }
  std::filesystem::path folder() const { return dir_ / "sharedassets1_unpak"; }

  ClassIdTable classes_;
  TempDirectory dir_;
};

const std::vector<std::wstring> kQuietRun = {L"正在重新打包！请不要关闭本窗口！", L"完成！"};

TEST_P(EveryLayout, AnExportRepackedLeavesEveryObjectAsItWas) {
  const Bytes texture = this->texture(textureValues());
  const Bytes font = this->font(fontValues());
  const Bytes text = textAsset(textValues());
  build(texture, font, text);
  std::vector<std::wstring> lines;
  ASSERT_EQ(
      exportObjects({asset().wstring()}, classes_, [&](std::wstring_view line) { lines.emplace_back(line); }),
      0)
      << platform::toNarrow(lines.empty() ? L"" : lines.front());
  const std::string story = "once upon a time";
  EXPECT_EQ(readFile(folder() / "TextAsset" / "Story.txt"), Bytes(story.begin(), story.end()));

  EXPECT_EQ(repack(), kQuietRun);
  const std::map<std::int64_t, Bytes> after = objects();
  EXPECT_EQ(after.at(1), texture);
  EXPECT_EQ(after.at(2), text);
  EXPECT_EQ(after.at(3), font);
}

TEST_P(EveryLayout, PlantedReplacementsLandWhereTheEngineReadsThem) {
  // A texture whose pixels were streamed from a resource file, stripped and prepared for a platform.
  LayoutValues streamed = textureValues();
  streamed.numbers.insert(
      {{"m_StreamData.offset", 4096}, {"m_StreamData.size", 65536}, {"m_MipsStripped", 2}});
  streamed.numbers["m_CompleteImageSize"] = 65536;
  streamed.numbers["m_MipCount"] = 3;
  streamed.serialized["image data"] = counted(Bytes{});
  streamed.serialized["m_StreamData.path"] = counted("archive:/CAB-0123/CAB-0123.resS");
  streamed.serialized["m_PlatformBlob"] = counted(Bytes{1, 2, 3});
  build(texture(streamed), font(fontValues()), textAsset(textValues()));

  const Bytes pixels = pattern(64, 11);
  writeFile(folder() / "Texture2D" / "Loading.dds", ddsFile(8, 2, pixels));
  writeFile(folder() / "Font" / "Body.ttf", pattern(23, 7));
  writeFile(folder() / "Font" / "Body.rect", characterRects(3, rectLength(version())));
  const std::string translated = "从前，有一座山";
  writeFile(folder() / "TextAsset" / "Story.txt", Bytes(translated.begin(), translated.end()));
  EXPECT_EQ(repack(), kQuietRun);

  LayoutValues replaced = textureValues();
  replaced.numbers["m_Width"] = 8;
  replaced.numbers["m_CompleteImageSize"] = 64;
  replaced.serialized["image data"] = counted(pixels);
  LayoutValues newFont = fontValues();
  newFont.serialized["m_FontData"] = counted(pattern(23, 7));
  newFont.serialized["m_CharacterRects"] = characterRects(3, rectLength(version()));
  LayoutValues newText = textValues();
  newText.serialized["m_Script"] = counted(translated);
  const std::map<std::int64_t, Bytes> after = objects();
  EXPECT_EQ(after.at(1), texture(replaced));
  EXPECT_EQ(after.at(2), textAsset(newText));
  EXPECT_EQ(after.at(3), font(newFont));
}

INSTANTIATE_TEST_SUITE_P(Releases, EveryLayout, ::testing::ValuesIn(layoutReleases()),
                         [](const ::testing::TestParamInfo<LayoutRelease>& info) {
                           std::string name = info.param.version;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Textures whose pixels a resource file beside the asset file holds (5.3 on): export reads them
// from there, and the DDS taken back puts them inside the object with the reference cleared.
class EveryStreamingLayout : public EveryLayout {
 protected:
  Bytes streamedTexture(std::int64_t offset, const std::string& path) const {
    LayoutValues values = textureValues();
    values.numbers.insert({{"m_StreamData.offset", offset}, {"m_StreamData.size", 32}});
    values.serialized["image data"] = counted(Bytes{});
    values.serialized["m_StreamData.path"] = counted(path);
    return texture(values);
  }
  void exportAndRepack(const Bytes& pixels) {
    ASSERT_EQ(exportObjects({asset().wstring()}, classes_, [](std::wstring_view) {}), 0);
    Bytes dds = readFile(folder() / "Texture2D" / "Loading.dds");
    ASSERT_EQ(dds.size(), 128 + pixels.size());
    EXPECT_EQ(Bytes(dds.begin() + 128, dds.end()), pixels);
    EXPECT_EQ(repack(), kQuietRun);
    EXPECT_EQ(objects().at(1), texture(textureValues())) << "the pixels inside, the reference cleared";
  }
};

TEST_P(EveryStreamingLayout, PixelsAreExportedFromTheResourceFileAndTakenBackIntoTheObject) {
  build(streamedTexture(4096, "archive:/CAB-5d41/CAB-5d41.resS"), font(fontValues()),
        textAsset(textValues()));
  Bytes resource(4096, 0xEE);
  const Bytes pixels = pattern(32, 3);
  resource.insert(resource.end(), pixels.begin(), pixels.end());
  writeFile(dir_ / "CAB-5d41.resS", resource);
  exportAndRepack(pixels);
}

std::vector<LayoutRelease> streamingReleases() {
  std::vector<LayoutRelease> releases = layoutReleases();
  std::erase_if(releases, [](const LayoutRelease& release) {
    const layouts::Layout texture = tableLayout(kTexture2D, release.version);
    return std::none_of(texture.begin(), texture.end(), [](const layouts::LayoutNode& node) {
      return std::string_view(node.name) == "m_StreamData";
    });
  });
  return releases;
}

INSTANTIATE_TEST_SUITE_P(Releases, EveryStreamingLayout, ::testing::ValuesIn(streamingReleases()),
                         [](const ::testing::TestParamInfo<LayoutRelease>& info) {
                           std::string name = info.param.version;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

#ifndef _WIN32
// From 2020.1 the offset into the resource file has 64 bits; the pixels may lie past 4 GiB (a
// sparse file here).
class LargeResourceFile : public EveryStreamingLayout {};

TEST_P(LargeResourceFile, PixelsPast4GiBAreExported) {
  constexpr std::int64_t kOffset = (std::int64_t{5} << 30) + 4096;
  build(streamedTexture(kOffset, "sharedassets1.assets.resS"), font(fontValues()), textAsset(textValues()));
  const Bytes pixels = pattern(32, 3);
  {
    std::ofstream resource(dir_ / "sharedassets1.assets.resS", std::ios::binary);
    resource.seekp(kOffset);
    resource.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    ASSERT_TRUE(resource.good());
  }
  exportAndRepack(pixels);
}

INSTANTIATE_TEST_SUITE_P(Release2020, LargeResourceFile, ::testing::Values(LayoutRelease{"2020.3.48f1", 22}),
                         [](const ::testing::TestParamInfo<LayoutRelease>&) {
                           return std::string("2020_3_48f1");
                         });
#endif

// The releases chosen hold every distinct layout of the three classes that a file qmx reads can
// be in, and the patch-level boundaries the engine's dumps show.
TEST(EveryLayoutReleases, CoverEveryDistinctLayoutAndThePatchBoundaries) {
  std::set<const void*> chosen;
  std::set<std::string> versions;
  for (const LayoutRelease& release : layoutReleases()) {
    versions.insert(release.version);
    for (std::int16_t classId : {kTexture2D, kFont, kTextAsset})
      chosen.insert(layouts::layoutFor(classId, release.version)->data());
  }
  for (std::string_view version : layouts::dumpedVersions()) {
    if (!formatOf(*layouts::parseRelease(version))) continue;
    for (std::int16_t classId : {kTexture2D, kFont, kTextAsset})
      EXPECT_TRUE(chosen.contains(layouts::layoutFor(classId, version)->data())) << version << " " << classId;
  }
  for (const char* boundary :
       {"2019.3.0f4", "2019.3.0f5", "2019.4.8f1", "2019.4.9f1", "2017.1.2f1", "2017.1.2p1"})
    EXPECT_TRUE(versions.contains(boundary)) << boundary;
}

}  // namespace
