// cmkit's export read back by qmx's repack: for every engine layout and every texture format that
// DDS files carry, an untouched export must leave each object's content as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "commands/CheckCommand.h"
#include "commands/ExportCommand.h"
#include "commands/ListCommand.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/Releases.h"
#include "support/SampleAssets.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kMonoBehaviour = 114;
constexpr std::int16_t kFont = 128;
constexpr std::int32_t kImportedFormats[] = {1, 2, 3, 4, 5, 7, 10, 12, 13, 37};

ClassIdTable shippedClasses() {
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  return classes;
}

// Names as the asset file stores them: narrow text in the code page the programs convert with.
std::string stored(std::wstring_view name) {
  return platform::toNarrow(name);
}

ObjectDescription object(std::int64_t pathId, std::int16_t classId, Bytes data) {
  return {pathId, classId, classId, 0xFFFF, 0, std::move(data)};
}

Bytes pixels(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

class KitExport : public ::testing::TestWithParam<Release> {
 protected:
  std::filesystem::path asset() const { return dir_ / "sharedassets1.assets"; }

  std::vector<std::wstring> exportAsset(ExportOptions options, int expectedStatus = 0) {
    std::vector<std::wstring> lines;
    if (options.assetPath.empty()) options.assetPath = asset().wstring();
    EXPECT_EQ(exportObjects(options, classes_, [&](std::wstring_view line) { lines.emplace_back(line); }),
              expectedStatus);
    return lines;
  }
  std::vector<std::wstring> repack() {
    std::vector<std::wstring> lines;
    runRepack(asset().wstring(), classes_, [&](std::wstring_view line) { lines.emplace_back(line); });
    return lines;
  }
  std::map<std::int64_t, Bytes> objects() {
    SerializedFile file;
    EXPECT_EQ(file.loadReadOnly(asset().wstring()), LoadStatus::Loaded);
    std::map<std::int64_t, Bytes> result;
    for (const auto& [key, info] : file.objects().entries()) result[info.pathId] = file.readObjectBytes(info);
    return result;
  }

  // Every importable texture format (two sharing a name, one named in Chinese), a font, a text
  // asset and a script object, all laid out as the release lays them out.
  AssetDescription describe(const Release& release) {
    AssetDescription d;
    d.formatVersion = release.formatVersion;
    d.engineVersion = release.engineVersion;
    std::int64_t pathId = 10;
    for (const std::int32_t format : kImportedFormats) {
      TextureData texture;
      texture.name = format == 12      ? stored(L"载入画面")
                     : format % 2 == 0 ? "Atlas"
                                       : "Format" + std::to_string(format);
      texture.textureFormat = format;
      texture.width = 8;
      texture.height = 4;
      texture.mipValue = 2;
      texture.imageData = pixels(static_cast<std::size_t>(40 + format), static_cast<std::uint8_t>(format));
      d.objects.push_back(object(pathId++, kTexture2D, textureObject(texture, release.texture)));
    }
    if (release.font) {
      FontData font;
      font.name = "Body";
      font.characterRects = characterRects(3);
      font.fontData = pixels(101, 0xF0);
      d.objects.push_back(object(40, kFont, fontObject(font, *release.font)));
    }
    d.objects.push_back(
        object(50, kTextAsset, textAssetObject("Localization", pixels(9, 'a'), "Assets/Loc.txt")));
    d.objects.push_back({60, -3, kMonoBehaviour, 0xFFFF, 0, pixels(28, 0x60)});
    return d;
  }

  TempDirectory dir_;
  ClassIdTable classes_ = shippedClasses();
};

TEST_P(KitExport, AnUntouchedExportLeavesEveryObjectAsItWas) {
  const Release& release = GetParam();
  writeFile(asset(), buildAsset(describe(release)).bytes);
  const std::map<std::int64_t, Bytes> before = objects();
  const std::vector<std::wstring> exported = exportAsset({});
  ASSERT_FALSE(exported.empty());
  EXPECT_EQ(exported.back(),
            L"完成！导出 " + std::to_wstring(release.font ? 14 : 12) + L" 个文件，0 个对象未导出。");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "sharedassets1_unpak" / "Texture2D" / "Atlas_2.dds"))
      << "numbered";
  EXPECT_TRUE(platform::pathExists((dir_ / "sharedassets1_unpak").wstring() + L"\\Texture2D\\" +
                                   platform::toWide(stored(L"载入画面")) + L".dds"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "sharedassets1_unpak" / "MonoBehaviour" / "-3" / "60.bin"));

  EXPECT_EQ(repack().back(), L"完成！");
  const std::map<std::int64_t, Bytes> after = objects();
  for (const auto& [pathId, bytes] : before) {
    Bytes expected = bytes;
    if (pathId == 50) expected.resize((expected.size() + 3) / 4 * 4, 0);  // qmx writes the final padding
    EXPECT_EQ(after.at(pathId), expected) << "path ID " << pathId;
  }
}

// What real games hold in nearly every file that uses a dynamic font: its 0 x 0 atlas, which the
// engine fills at run time, and fonts that only name an operating-system font. Neither has anything
// to export, and neither is a failure: the untouched export checks clean, and qmx passes over both
// without a word and without a byte changed.
TEST_P(KitExport, ObjectsWithNothingToExportAreNamedWithoutFailingAndLeaveNoFile) {
  const Release& release = GetParam();
  TextureData atlas;
  atlas.name = "Font Texture";
  atlas.textureFormat = 1;  // Alpha8
  atlas.width = 0;
  atlas.height = 0;
  atlas.imageData = {};
  TextureData noPixels;
  noPixels.name = "Unfilled";
  noPixels.width = 64;
  noPixels.height = 64;
  noPixels.imageData = {};
  AssetDescription d = describe(release);
  d.objects = {object(3, 1, Bytes(12, 0)), object(6, kTexture2D, textureObject(atlas, release.texture)),
               object(7, kTexture2D, textureObject(noPixels, release.texture))};
  if (release.font) {
    FontData arial;
    arial.name = "Arial";
    arial.fontData = {};
    d.objects.push_back(object(8, kFont, fontObject(arial, *release.font)));
  }
  writeFile(asset(), buildAsset(d).bytes);
  const Bytes before = readFile(asset());

  std::vector<std::wstring> expected = {
      L"无可导出：Texture2D Font Texture (PathID "
      L"6)（纹理没有像素，例如动态字体的字符图集，由游戏运行时生成）",
      L"无可导出：Texture2D Unfilled (PathID 7)（纹理没有像素，例如动态字体的字符图集，由游戏运行时生成）",
  };
  if (release.font)
    expected.push_back(L"无可导出：Font Arial (PathID 8)（字体不含字体数据，只引用系统字体）");
  expected.push_back(L"完成！导出 0 个文件，0 个对象未导出，" + std::to_wstring(release.font ? 3 : 2) +
                     L" 个对象无可导出。");
  EXPECT_EQ(exportAsset({}), expected);
  EXPECT_TRUE(folderContents(dir_ / "sharedassets1_unpak").empty()) << "no file, empty or not";

  std::vector<std::wstring> checked;
  EXPECT_EQ(
      checkFolder({asset().wstring()}, classes_, [&](std::wstring_view line) { checked.emplace_back(line); }),
      0);
  EXPECT_EQ(checked, std::vector<std::wstring>{L"检查完成：0 个文件，0 处问题。"});
  EXPECT_EQ(repack(), (std::vector<std::wstring>{L"正在重新打包！请不要关闭本窗口！", L"完成！"}));
  EXPECT_TRUE(readFile(asset()) == before) << "not a byte changed";
}

INSTANTIATE_TEST_SUITE_P(Releases, KitExport, ::testing::ValuesIn(kReleases));

// Only 5.3 and 5.4 keep pixels apart from the object.
class KitExportStreamed : public KitExport {};

std::vector<Release> streamingReleases() {
  std::vector<Release> releases;
  std::copy_if(kReleases.begin(), kReleases.end(), std::back_inserter(releases),
               [](const Release& release) { return release.texture == TextureLayout::StreamData; });
  return releases;
}

TEST_P(KitExportStreamed, PixelsKeptInAResourceFileAreExportedFromIt) {
  const Release& release = GetParam();
  TextureData texture;
  texture.name = "Streamed";
  texture.textureFormat = 10;
  texture.width = 8;
  texture.height = 8;
  texture.imageData = {};
  texture.streamPath = "archive:/sharedassets1.assets.resS";
  texture.streamOffset = 16;
  texture.streamSize = 32;
  AssetDescription d = describe(release);
  d.objects = {object(1, kTexture2D, textureObject(texture, release.texture))};
  writeFile(asset(), buildAsset(d).bytes);
  Bytes resource = pixels(16, 0);
  const Bytes blocks = pixels(32, 0xB0);
  resource.insert(resource.end(), blocks.begin(), blocks.end());
  writeFile(dir_ / "sharedassets1.assets.resS", resource);

  exportAsset({});
  const Bytes dds = readFile(dir_ / "sharedassets1_unpak" / "Texture2D" / "Streamed.dds");
  ASSERT_EQ(dds.size(), 128u + 32u);
  EXPECT_EQ(Bytes(dds.begin() + 128, dds.end()), blocks);
  repack();
  texture.imageData = blocks;  // now inside the object, and nothing read from the resource file
  texture.streamPath = "";
  texture.streamOffset = 0;
  texture.streamSize = 0;
  EXPECT_EQ(objects().at(1), textureObject(texture, release.texture));
}

INSTANTIATE_TEST_SUITE_P(Releases, KitExportStreamed, ::testing::ValuesIn(streamingReleases()));

// From format 17, script objects are exported under their type's script hash and taken back from
// there; objects whose data does not read in their release's layout are named, not written.
TEST_F(KitExport, ScriptObjectsOfTheIndexedFormatsRoundTrip) {
  for (const std::int32_t version : {17, 22}) {
    SCOPED_TRACE(version);
    TempDirectory dir;
    const std::filesystem::path asset = dir / "level.assets";
    writeFile(asset, buildAsset(sampleAsset(version)).bytes);
    std::vector<std::wstring> lines;
    EXPECT_EQ(
        exportObjects({asset.wstring()}, classes_, [&](std::wstring_view line) { lines.emplace_back(line); }),
        1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& line) { return line.ends_with(L"（对象数据有误）"); }),
              2);
    const std::filesystem::path scripts = dir / "level_unpak" / "MonoBehaviour";
    EXPECT_EQ(readFile(scripts / "101112131415161718191a1b1c1d1e1f" / "4294967298.bin"), Bytes(8, 0x22));
    EXPECT_EQ(readFile(scripts / "606162636465666768696a6b6c6d6e6f" / "-5.bin"), Bytes(21, 0x11));

    std::vector<std::wstring> repacked;
    runRepack(asset.wstring(), classes_, [&](std::wstring_view line) { repacked.emplace_back(line); });
    EXPECT_EQ(repacked.back(), L"完成！");
    SerializedFile file;
    ASSERT_EQ(file.loadReadOnly(asset.wstring()), LoadStatus::Loaded);
    EXPECT_EQ(file.readObjectBytes(file.objects().entries().at(ObjectTable::keyOf(-5))), Bytes(21, 0x11));
  }
}

class KitExportOf52 : public KitExport {};

TEST_F(KitExportOf52, ObjectsThatCannotBeExportedAreNamedWithTheReason) {
  AssetDescription d = describe(kReleases[5]);
  TextureData noDds;
  noDds.name = "Bgra";
  noDds.textureFormat = 14;
  FontData noData;
  noData.name = "Empty";
  noData.fontData = {};
  noData.characterRects = characterRects(1);
  d.objects = {
      object(1, kTexture2D, textureObject(noDds)),
      object(2, kFont, fontObject(noData, FontLayout::LargeReferences)),
      object(3, kTextAsset, textAssetObject("CON", Bytes{'x'})),
      object(4, kTextAsset, textAssetObject("a|b", Bytes{'x'})),
      object(5, kTextAsset, textAssetObject("..\\up", Bytes{'x'})),
      object(6, kTextAsset, textAssetObject("sub\\file", Bytes{'x'})),
      object(7, kTextAsset, textAssetObject(std::string(300, 'n'), Bytes{'x'})),
  };
  writeFile(asset(), buildAsset(d).bytes);
  const std::vector<std::wstring> lines = exportAsset({}, 1);
  const std::vector<std::wstring> expected = {
      L"未导出：Texture2D Bgra (PathID 1)（此纹理格式无法存为 DDS）",
      L"无可导出：Font Empty (PathID 2)（字体不含字体数据，只引用系统字体）",
      L"已导出：" + (dir_ / "sharedassets1_unpak").wstring() + L"\\Font\\Empty.rect",
      L"未导出：TextAsset CON (PathID 3)（名称是设备名，无法作为文件名）",
      L"未导出：TextAsset a|b (PathID 4)（名称含有文件名不能容纳的字符）",
      L"未导出：TextAsset ..\\up (PathID 5)（名称会离开类文件夹，qmx 不会查找）",
      L"未导出：TextAsset sub\\file (PathID 6)（名称含有路径分隔符，无法作为文件名）",
      L"未导出：TextAsset " + std::wstring(300, L'n') + L" (PathID 7)（名称过长，无法作为文件名）",
      L"完成！导出 1 个文件，6 个对象未导出，1 个对象无可导出。",
  };
  EXPECT_EQ(lines, expected);
}

TEST_F(KitExportOf52, AFolderThatIsNotEmptyIsRefusedUnlessForced) {
  writeFile(asset(), buildAsset(describe(kReleases[5])).bytes);
  writeFile(dir_ / "mine" / "notes.txt", Bytes{'n'});
  const std::wstring folder = (dir_ / "mine").wstring();
  EXPECT_EQ(exportAsset({L"", folder}, 2),
            std::vector<std::wstring>{L"导出文件夹不是空的，未导出（加 --force 覆盖）：" + folder});
  EXPECT_FALSE(std::filesystem::exists(dir_ / "mine" / "TextAsset"));
  exportAsset({L"", folder, true});
  EXPECT_TRUE(std::filesystem::exists(dir_ / "mine" / "TextAsset" / "Localization.txt"));
  EXPECT_EQ(readFile(dir_ / "mine" / "notes.txt"), Bytes{'n'});
}

// A file that cannot be written says which step failed and why, and leaves nothing behind; a file
// of the translator's that only shares the name of the one written on the way is not touched.
TEST_F(KitExportOf52, AFileThatCannotBeWrittenIsNamedWithTheStepAndTheReason) {
  AssetDescription d = describe(kReleases[5]);
  d.objects = {object(1, kTexture2D, textureObject(TextureData{.name = "Blocked"})),
               object(2, kTextAsset, textAssetObject("Localization", Bytes{'n', 'e', 'w'}))};
  writeFile(asset(), buildAsset(d).bytes);
  const std::filesystem::path folder = dir_ / "sharedassets1_unpak";
  writeFile(folder / "Texture2D", Bytes{'f'});  // a file where the class folder goes
  writeFile(folder / "TextAsset" / "Localization.txt.tmp", Bytes{'m', 'i', 'n', 'e'});

  const std::vector<std::wstring> lines = exportAsset({L"", std::nullopt, true}, 1);
  const std::vector<std::wstring> expected = {
      L"未导出：Texture2D Blocked (PathID 1)（无法创建所在的文件夹：" + folder.wstring() +
          L"\\Texture2D\\Blocked.dds，路径上已有同名的文件）",
      L"已导出：" + folder.wstring() + L"\\TextAsset\\Localization.txt",
      L"完成！导出 1 个文件，1 个对象未导出。",
  };
  EXPECT_EQ(lines, expected);
  FolderContents after = folderContents(folder);
  const FolderContents written = {{"Texture2D", Bytes{'f'}},
                                  {"TextAsset/", {}},
                                  {"TextAsset/Localization.txt", Bytes{'n', 'e', 'w'}},
                                  {"TextAsset/Localization.txt.tmp", Bytes{'m', 'i', 'n', 'e'}}};
  EXPECT_EQ(after, written);
}

TEST_F(KitExportOf52, ListNamesEveryObjectAndWhereQmxLooks) {
  AssetDescription d = describe(kReleases[5]);
  d.objects.resize(2);  // Alpha8 "Format1" and ARGB4444 "Atlas"
  d.objects.push_back(object(3, 1, Bytes(12, 0)));
  d.objects.push_back(object(4, kTextAsset, textAssetObject("..\\up", Bytes{'x'})));
  writeFile(asset(), buildAsset(d).bytes);
  std::vector<std::wstring> lines;
  EXPECT_EQ(
      listObjects(asset().wstring(), classes_, [&](std::wstring_view line) { lines.emplace_back(line); }), 0);
  const std::wstring folder = (dir_ / "sharedassets1_unpak").wstring();
  const std::vector<std::wstring> expected = {
      L"3\tGameObject\t\t12\t（不替换此类对象）",
      L"4\tTextAsset\t..\\up\t" + std::to_wstring(d.objects[3].data.size()) +
          L"\t（名称会离开类文件夹，qmx 不会查找）",
      L"10\tTexture2D\tFormat1\t" + std::to_wstring(d.objects[0].data.size()) + L"\t" + folder +
          L"\\Texture2D\\Format1.dds",
      L"11\tTexture2D\tAtlas\t" + std::to_wstring(d.objects[1].data.size()) + L"\t" + folder +
          L"\\Texture2D\\Atlas.dds",
  };
  EXPECT_EQ(lines, expected);
}

#ifndef _WIN32
// A common image library (ImageMagick, on the Linux side) opens the exported DDS files at the
// object's size and reads the object's pixels from them.
TEST(KitExportImages, OpenInACommonImageLibrary) {
  TempDirectory dir;
  const auto texture = [](const char* name, std::int32_t format, std::int32_t width, std::int32_t height,
                          Bytes imageData) {
    TextureData t;
    t.name = name;
    t.textureFormat = format;
    t.width = width;
    t.height = height;
    t.mipValue = 1;
    t.imageData = std::move(imageData);
    return object(0, kTexture2D, textureObject(t));
  };
  AssetDescription d;
  d.objects = {
      texture("Argb", 5, 2, 1, {0xA0, 0x10, 0x20, 0x30, 0xA1, 0x11, 0x21, 0x31}),  // A R G B
      texture("Rgb", 3, 2, 1, {0x10, 0x20, 0x30, 0x11, 0x21, 0x31}),               // R G B
      texture("Blocks", 10, 8, 4, Bytes(16, 0x55)),                                // DXT1, two blocks
  };
  for (std::size_t i = 0; i < d.objects.size(); ++i) d.objects[i].pathId = static_cast<std::int64_t>(i + 1);
  writeFile(dir / "level.assets", buildAsset(d).bytes);
  ASSERT_EQ(exportObjects({(dir / "level.assets").wstring()}, shippedClasses(), [](std::wstring_view) {}), 0);

  const auto decoded = [&](const char* file, const wchar_t* as) {
    return runProgram("/usr/bin/convert", {(dir / "level_unpak" / "Texture2D" / file).wstring(), as},
                      dir.path())
        .output;
  };
  EXPECT_EQ(decoded("Argb.dds", L"rgba:-"), std::string("\x10\x20\x30\xA0\x11\x21\x31\xA1"));
  EXPECT_EQ(decoded("Rgb.dds", L"rgb:-"), std::string("\x10\x20\x30\x11\x21\x31"));
  const ChildResult size = runProgram(
      "/usr/bin/identify",
      {L"-format", L"%w %h", (dir / "level_unpak" / "Texture2D" / "Blocks.dds").wstring()}, dir.path());
  EXPECT_EQ(size.output, "8 4");
}
#endif

// The program itself, as a translator runs it: its lines in the console's encoding (GBK on
// Windows), its usage and its exit codes.
TEST(KitProgram, PrintsItsUsageListsAndRefusesWhatItCannotRead) {
  TempDirectory dir;
  const ChildResult help = runProgram(siblingProgram("cmkit"), {L"--help"}, dir.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.output.rfind(consoleBytes(L"用法：") + kLineEnd, 0), 0u);
  const ChildResult none = runProgram(siblingProgram("cmkit"), {}, dir.path());
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_EQ(none.output.rfind(consoleBytes(L"参数错误，用 cmkit --help 查看用法") + kLineEnd, 0), 0u);

  AssetDescription d;
  TextureData texture;
  texture.name = stored(L"载入画面");
  d.objects = {object(7, kTexture2D, textureObject(texture))};
  writeFile(dir / "level.assets", buildAsset(d).bytes);
  const ChildResult list = runProgram(siblingProgram("cmkit"), {L"list", L"level.assets"}, dir.path());
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.output,
            consoleBytes(L"7\tTexture2D\t载入画面\t" + std::to_wstring(d.objects[0].data.size()) +
                         L"\tlevel_unpak\\Texture2D\\载入画面.dds") +
                kLineEnd);

  // From format 17 a MonoBehaviour's file is named by its type's script hash and its whole path ID.
  writeFile(dir / "new.assets", buildAsset(sampleAsset(22)).bytes);
  const ChildResult newer = runProgram(siblingProgram("cmkit"), {L"list", L"new.assets"}, dir.path());
  EXPECT_EQ(newer.exitCode, 0);
  EXPECT_NE(newer.output.find(consoleBytes(
                L"\t8\tnew_unpak\\MonoBehaviour\\101112131415161718191a1b1c1d1e1f\\4294967298.bin")),
            std::string::npos)
      << newer.output;

  writeFile(dir / "broken.assets", Bytes(10, 0));
  const ChildResult broken = runProgram(siblingProgram("cmkit"), {L"export", L"broken.assets"}, dir.path());
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_EQ(broken.output, consoleBytes(L"资源文件已损坏！") + kLineEnd);
  EXPECT_FALSE(std::filesystem::exists(dir / "broken_unpak"));
}

#ifndef _WIN32
// Objects larger than all the memory cmkit may take (which, with its libraries loaded, leaves it
// less than half of that to hold data) are exported a piece at a time, the pixels of an ARGB32
// texture reordered piece by piece, and checked where they lie.
TEST(KitProgram, ExportsAndChecksObjectsLargerThanItsMemory) {
  constexpr std::size_t kTextLength = 48 << 20;
  constexpr std::int32_t kWidth = 4096;
  constexpr std::int32_t kHeight = 2048;  // 32 MiB of ARGB32 pixels
  TempDirectory dir;
  Bytes script(kTextLength);
  for (std::size_t i = 0; i < script.size(); ++i) script[i] = static_cast<std::uint8_t>('a' + i % 23);
  TextureData texture;
  texture.name = "Atlas";
  texture.textureFormat = 5;
  texture.width = kWidth;
  texture.height = kHeight;
  texture.imageData = patternBytes(0, std::size_t{kWidth} * kHeight * 4);
  AssetDescription d;
  d.objects = {object(1, kTextAsset, textAssetObject("Big", script)),
               object(2, kTexture2D, textureObject(texture))};
  writeFile(dir / "level.assets", buildAsset(d).bytes);

  const ChildLimits limits{.seconds = 120, .addressSpace = 40 << 20};
  const ChildResult exported =
      runLimitedProgram(siblingProgram("cmkit"), {L"export", L"level.assets"}, dir.path(), limits);
  EXPECT_EQ(exported.exitCode, 0) << exported.output;
  EXPECT_TRUE(readFile(dir / "level_unpak" / "TextAsset" / "Big.txt") == script);
  Bytes pixels = texture.imageData;
  for (std::size_t i = 0; i < pixels.size(); i += 4) std::reverse(&pixels[i], &pixels[i + 4]);
  const Bytes dds = readFile(dir / "level_unpak" / "Texture2D" / "Atlas.dds");
  ASSERT_EQ(dds.size(), 128 + pixels.size());
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), dds.begin() + 128))
      << "the pixels in the file's order";

  const ChildResult checked =
      runLimitedProgram(siblingProgram("cmkit"), {L"check", L"level.assets"}, dir.path(), limits);
  EXPECT_EQ(checked.exitCode, 0) << checked.output;
}
#endif

}  // namespace
