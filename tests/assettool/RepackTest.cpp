#include <gtest/gtest.h>

#include "RepackScenario.h"
#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"

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

TEST(Repack, RunningTwiceAppendsAgainAndPointsAtTheNewestCopy) {
  TempDirectory game;
  const RepackScenario scenario(game.path());
  runLines(scenario.resources.path);
  const std::size_t once = readFile(scenario.resources.path).size();
  runLines(scenario.resources.path);
  EXPECT_EQ(readFile(scenario.resources.path).size(), once + (once - scenario.resources.built.bytes.size()));
  RepackScenario::expectRepacked(scenario.resources);
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
