#include <gtest/gtest.h>

#include "RepackScenario.h"
#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"
#include "serialized/FormatVersion.h"
#include "serialized/SerializedFile.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SampleAssets.h"

using namespace testsupport;

namespace {

ClassIdTable shippedClasses() {
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  return classes;
}

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

std::vector<std::wstring> runLines(const std::filesystem::path& asset) {
  std::vector<std::wstring> lines;
  runRepack(asset.wstring(), shippedClasses(), [&](std::wstring_view line) { lines.emplace_back(line); });
  return lines;
}

TEST(Repack, ReplacesHandledObjectsAndLeavesEverythingElse) {
  TempDirectory game;
  const RepackScenario scenario(game.path());
  std::vector<std::wstring> expected = {L"正在重新打包！请不要关闭本窗口！"};
  expected.insert(expected.end(), RepackScenario::kSharedWarnings.begin(),
                  RepackScenario::kSharedWarnings.end());
  expected.push_back(L"完成！");
  EXPECT_EQ(runLines(scenario.shared.path), expected);
  RepackScenario::expectRepacked(scenario.shared);
}

// Formats 17 to 23: MonoBehaviour files are found by their type's script hash and whole path ID,
// appended on 16 bytes from the data offset from 22 (on 4 from the file's start before), and only
// the replaced entries and the file size change in the metadata. An object whose data does not
// read in its release's layout keeps it with a line.
class RepackIndexedFormat : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(RepackIndexedFormat, ReplacesScriptsByTheirHashAndKeepsTheRestOfTheMetadata) {
  const std::int32_t version = GetParam();
  TempDirectory game;
  const AssetDescription d = sampleAsset(version);
  const BuiltAsset built = buildAsset(d);
  writeFile(game / "level.assets", built.bytes);
  const std::filesystem::path scripts = game / "level_unpak" / "MonoBehaviour";
  writeFile(scripts / "101112131415161718191a1b1c1d1e1f" / "4294967298.bin", Bytes(5, 0xB1));
  writeFile(scripts / "606162636465666768696a6b6c6d6e6f" / "-5.bin", Bytes(3, 0xB2));
  writeFile(game / "level_unpak" / "Texture2D" / "Atlas.dds", Bytes(200, 0));

  EXPECT_EQ(runLines(game / "level.assets"),
            (std::vector<std::wstring>{L"正在重新打包！请不要关闭本窗口！",
                                       L"对象数据有误，未替换：Texture2D Atlas (PathID 2)", L"完成！"}));
  SerializedFile file;
  ASSERT_EQ(file.load((game / "level.assets").wstring()), LoadStatus::Loaded);
  const std::int64_t alignment = format::hasLargeFilesSupport(version) ? 16 : 4;
  const std::uint64_t base = format::hasLargeFilesSupport(version) ? built.dataOffset : 0;
  for (const auto& [pathId, bytes] :
       {std::pair<std::int64_t, Bytes>{(std::int64_t{1} << 32) + 2, Bytes(5, 0xB1)}, {-5, Bytes(3, 0xB2)}}) {
    const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(pathId));
    EXPECT_EQ(file.readObjectBytes(info), bytes) << pathId;
    EXPECT_EQ((built.dataOffset + info.byteStart - base) % alignment, 0u) << pathId;
    EXPECT_GE(built.dataOffset + info.byteStart, built.bytes.size()) << pathId;
  }
  EXPECT_EQ(file.readObjectBytes(file.objects().entries().at(2)), d.objects[1].data) << "kept";
  file.close();
  const Bytes after = readFile(game / "level.assets");
  const std::size_t header = format::hasLargeFilesSupport(version) ? 48 : 20;
  const std::size_t tableEnd =
      built.objectTableStart + 4 + d.objects.size() * ObjectInfo::byteLength(version) + 4;
  EXPECT_TRUE(std::equal(after.begin() + header,
                         after.begin() + static_cast<std::ptrdiff_t>(built.objectTableStart),
                         built.bytes.begin() + header))
      << "the type list as it was";
  EXPECT_TRUE(std::equal(after.begin() + static_cast<std::ptrdiff_t>(tableEnd),
                         after.begin() + static_cast<std::ptrdiff_t>(built.bytes.size()),
                         built.bytes.begin() + static_cast<std::ptrdiff_t>(tableEnd)))
      << "the metadata's tail and the objects as they were";
}

INSTANTIATE_TEST_SUITE_P(Formats, RepackIndexedFormat, ::testing::Values(17, 19, 20, 21, 22, 23));

TEST(Repack, AppendsInPathIdOrderWhateverTheFileOrder) {
  TempDirectory game;
  AssetDescription d;
  d.objects = {{9, 114, 114, 0xFFFF, 0, Bytes(8, 9)}, {2, 114, 114, 0xFFFF, 0, Bytes(8, 2)}};
  const BuiltAsset built = buildAsset(d);
  writeFile(game / "level.assets", built.bytes);
  writeFile(game / "level_unpak" / "MonoBehaviour" / "114" / "9.bin", Bytes(4, 0x99));
  writeFile(game / "level_unpak" / "MonoBehaviour" / "114" / "2.bin", Bytes(6, 0x22));
  runLines(game / "level.assets");

  const Bytes after = readFile(game / "level.assets");
  const std::size_t end = built.bytes.size();
  EXPECT_EQ(Bytes(after.begin() + end, after.end()),
            (Bytes{0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0, 0, 0x99, 0x99, 0x99, 0x99}));
}

// The same folder imported again finds every object holding what it would get: nothing is appended,
// no byte changes, and only what the first run said of objects it left alone is said again. One
// object changed since is appended alone.
TEST(Repack, RunningTwiceChangesNothingButWhatChanged) {
  TempDirectory game;
  const RepackScenario scenario(game.path());
  for (const RepackScenario::Asset* asset : {&scenario.shared, &scenario.resources}) {
    const std::vector<std::wstring> firstRun = runLines(asset->path);
    const Bytes once = readFile(asset->path);
    EXPECT_EQ(runLines(asset->path), firstRun);
    EXPECT_TRUE(readFile(asset->path) == once);
    RepackScenario::expectRepacked(*asset);
  }

  writeFile(game / "Cindermoor_Data" / "resources_unpak" / "TextAsset" / "Localization.txt", text("中文！"));
  const std::size_t once = readFile(scenario.resources.path).size();
  runLines(scenario.resources.path);
  SerializedFile file;
  ASSERT_EQ(file.load(scenario.resources.path.wstring()), LoadStatus::Loaded);
  const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(1));
  EXPECT_EQ(file.readObjectBytes(info), textAssetObject("Localization", text("中文！")));
  EXPECT_EQ(file.objectOffset(info), static_cast<std::int64_t>((once + 3) / 4 * 4));
}

// The offsets are 32-bit: an append that would carry the file past 2^31 - 1 bytes is not made, one
// that ends exactly there is. The file is sparse, since qmx reads only its start and what it replaces.
TEST(Repack, AppendsStopAtTheLargestSizeTheOffsetsReach) {
  constexpr std::int64_t kLargest = 2147483647;
  constexpr std::int64_t kStart = kLargest - 20;  // the next object starts on the next multiple of 4
  TempDirectory game;
  AssetDescription d;
  for (std::int64_t pathId : {1, 2, 4, 5}) d.objects.push_back({pathId, 114, 114, 0xFFFF, 0, Bytes(8, 1)});
  d.objects.push_back({3, 49, 49, 0xFFFF, 0, textAssetObject("Text", text("old"))});
  writeFile(game / "level.assets", buildAsset(d).bytes);
  std::filesystem::resize_file(game / "level.assets", kStart);
  const auto scripts = game / "level_unpak" / "MonoBehaviour" / "114";
  writeFile(scripts / "1.bin", Bytes(20, 0xA1));                   // would end at kLargest + 1
  writeFile(scripts / "2.bin", Bytes(16, 0xA2));                   // ends at kLargest - 3
  writeFile(game / "level_unpak" / "TextAsset" / "Text.txt", {});  // a record of 16 bytes
  writeFile(scripts / "4.bin", Bytes(4, 0xA4));                    // would end at kLargest + 1
  writeFile(scripts / "5.bin", Bytes(3, 0xA5));                    // ends at kLargest

  EXPECT_EQ(runLines(game / "level.assets"),
            (std::vector<std::wstring>{L"正在重新打包！请不要关闭本窗口！",
                                       L"替换后文件过大，未替换：MonoBehaviour (PathID 1)",
                                       L"替换后文件过大，未替换：TextAsset Text (PathID 3)",
                                       L"替换后文件过大，未替换：MonoBehaviour (PathID 4)", L"完成！"}));
  EXPECT_EQ(std::filesystem::file_size(game / "level.assets"), kLargest);
  SerializedFile file;
  ASSERT_EQ(file.load((game / "level.assets").wstring()), LoadStatus::Loaded);
  EXPECT_EQ(file.headerCopy().fileSize, kLargest);
  const auto& objects = file.objects().entries();
  EXPECT_EQ(file.readObjectBytes(objects.at(1)), Bytes(8, 1));
  EXPECT_EQ(file.readObjectBytes(objects.at(2)), Bytes(16, 0xA2));
  EXPECT_EQ(file.readObjectBytes(objects.at(3)), textAssetObject("Text", text("old")));
  EXPECT_EQ(file.readObjectBytes(objects.at(4)), Bytes(8, 1));
  EXPECT_EQ(file.readObjectBytes(objects.at(5)), Bytes(3, 0xA5));
  EXPECT_EQ(objects.at(2).byteStart + file.headerCopy().dataOffset, kStart + 1);
}

// The installer's batch runs qmx from the game folder on both asset files, then removes the
// unpacked folders; on Windows through the command processor, as the installer starts it.
TEST(Repack, TheInstallersBatchRebuildsBothAssetFiles) {
  TempDirectory game;
  const RepackScenario scenario(game.path());
  const auto data = game / "Cindermoor_Data";
  const std::vector<std::wstring> importLines = {
      L".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\resources.assets",
      L".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\sharedassets1.assets"};
#ifdef _WIN32
  std::filesystem::copy_file(siblingProgram("qmx"), data / "resources_unpak" / "qmx.exe");
  const std::string batch = "@echo off\r\n" + platform::toNarrow(importLines[0]) + "\r\n" +
                            platform::toNarrow(importLines[1]) +
                            "\r\n\r\nrd /S /Q .\\Cindermoor_Data\\resources_unpak\\\r\nrd /S /Q "
                            ".\\Cindermoor_Data\\sharedassets1_unpak\\";
  writeFile(data / "qmx.bat", Bytes(batch.begin(), batch.end()));
  const ChildResult result =
      runProgram(L"C:\\windows\\system32\\cmd.exe", {L"/c", L"Cindermoor_Data\\qmx.bat"}, game.path());
#else
  ChildResult result;
  for (const std::wstring& line : importLines) {
    const std::wstring assetArgument = line.substr(line.rfind(L' ') + 1);
    const ChildResult run = runProgram(siblingProgram("qmx"), {L"-i", assetArgument}, game.path());
    result.output += run.output;
    result.exitCode = run.exitCode;
  }
  std::filesystem::remove_all(data / "resources_unpak");
  std::filesystem::remove_all(data / "sharedassets1_unpak");
#endif
  EXPECT_EQ(result.exitCode, 0);
  std::string expected;
  for (const wchar_t* line :
       {L"正在重新打包！请不要关闭本窗口！", L"完成！", L"正在重新打包！请不要关闭本窗口！"}) {
    expected += consoleBytes(line) + kLineEnd;
  }
  for (const std::wstring& warning : RepackScenario::kSharedWarnings)
    expected += consoleBytes(warning) + kLineEnd;
  expected += consoleBytes(L"完成！") + kLineEnd;
  EXPECT_EQ(result.output, expected);

  RepackScenario::expectRepacked(scenario.resources);
  RepackScenario::expectRepacked(scenario.shared);
  EXPECT_FALSE(std::filesystem::exists(data / "resources_unpak"));
  EXPECT_FALSE(std::filesystem::exists(data / "sharedassets1_unpak"));
}

}  // namespace
