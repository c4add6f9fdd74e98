// cmkit export onto a drive that fills up: a file that cannot be written whole is named with the
// reason and nothing of it stays, and a file the translator had in its place keeps its bytes.
#include <gtest/gtest.h>

#include "commands/ExportCommand.h"
#include "platform/Platform.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTextAsset = 49;
// The small drive is a tmpfs: it hands out space a page at a time.
constexpr std::uintmax_t kPage = 4096;

ClassIdTable shippedClasses() {
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  return classes;
}

TEST(KitFullDrive, AFileThatDoesNotFitIsRemovedAndTheOneBeforeItKept) {
  const TempDirectory dir(SMALL_DRIVE);
  AssetDescription d;
  d.objects = {{1, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Big", Bytes(256 * 1024, 'b'))},
               {2, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Small", Bytes{'s'})}};
  writeFile(dir / "level.assets", buildAsset(d).bytes);
  const std::filesystem::path folder = dir / "level_unpak";
  writeFile(folder / "TextAsset" / "Big.txt", Bytes{'m', 'i', 'n', 'e'});  // the translator's
  fillDriveLeaving(dir / "filler", 8 * kPage);

  std::vector<std::wstring> lines;
  const int status = exportObjects({(dir / "level.assets").wstring(), std::nullopt, true}, shippedClasses(),
                                   [&](std::wstring_view line) { lines.emplace_back(line); });
  std::filesystem::remove(dir / "filler");

  EXPECT_EQ(status, 1);
  const std::wstring failed =
      L"未导出：TextAsset Big (PathID 1)（写入文件出错：" + folder.wstring() + L"\\TextAsset\\Big.txt，";
  ASSERT_EQ(lines.size(), 3u);
#ifdef _WIN32
  // Windows' C runtime reports a write to a full drive as ENOSPC; Wine's, whose WriteFile first
  // writes what fits and succeeds, as EINVAL: only the step and the file are certain here.
  EXPECT_TRUE(lines[0].starts_with(failed) && lines[0].ends_with(L"）")) << testing::PrintToString(lines[0]);
#else
  EXPECT_EQ(lines[0], failed + L"磁盘空间不足）");
#endif
  EXPECT_EQ(lines[1], L"已导出：" + folder.wstring() + L"\\TextAsset\\Small.txt");
  EXPECT_EQ(lines[2], L"完成！导出 1 个文件，1 个对象未导出。");
  const FolderContents written = {{"TextAsset/", {}},
                                  {"TextAsset/Big.txt", Bytes{'m', 'i', 'n', 'e'}},
                                  {"TextAsset/Small.txt", Bytes{'s'}}};
  EXPECT_EQ(folderContents(folder), written) << "no half-written file, no temporary file";
}

}  // namespace
