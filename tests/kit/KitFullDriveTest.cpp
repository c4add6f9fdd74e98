// cmkit export onto a drive that fills up: a file that cannot be written whole is named with the
// reason and nothing of it stays, not even the folders made for it, and a file the translator had
// in its place keeps its bytes.
#include <gtest/gtest.h>

#include "commands/ExportCommand.h"
#include "platform/Platform.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kMonoBehaviour = 114;
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
               {2, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Small", Bytes{'s'})},
               {3, kMonoBehaviour, kMonoBehaviour, 0xFFFF, 0, Bytes(256 * 1024, 'm')}};
  writeFile(dir / "level.assets", buildAsset(d).bytes);
  const std::filesystem::path folder = dir / "level_unpak";
  writeFile(folder / "TextAsset" / "Big.txt", Bytes{'m', 'i', 'n', 'e'});  // the translator's
  fillDriveLeaving(dir / "filler", 8 * kPage);

  std::vector<std::wstring> lines;
  const int status = exportObjects({(dir / "level.assets").wstring(), std::nullopt, true}, shippedClasses(),
                                   [&](std::wstring_view line) { lines.emplace_back(line); });
  std::filesystem::remove(dir / "filler");

  EXPECT_EQ(status, 1);
  ASSERT_EQ(lines.size(), 4u);
  // Windows' C runtime reports a write to a full drive as ENOSPC; Wine's, whose WriteFile first
  // writes what fits and succeeds, as EINVAL: there only the step and the file are certain.
  const auto expectNotWritten = [&](const std::wstring& line, const std::wstring& object,
                                    const std::wstring& file) {
    const std::wstring failed = L"未导出：" + object + L"（写入文件出错：" + folder.wstring() + file + L"，";
#ifdef _WIN32
    EXPECT_TRUE(line.starts_with(failed) && line.ends_with(L"）")) << testing::PrintToString(line);
#else
    EXPECT_EQ(line, failed + L"磁盘空间不足）");
#endif
  };
  expectNotWritten(lines[0], L"TextAsset Big (PathID 1)", L"\\TextAsset\\Big.txt");
  EXPECT_EQ(lines[1], L"已导出：" + folder.wstring() + L"\\TextAsset\\Small.txt");
  expectNotWritten(lines[2], L"MonoBehaviour (PathID 3)", L"\\MonoBehaviour\\114\\3.bin");
  EXPECT_EQ(lines[3], L"完成！导出 1 个文件，2 个对象未导出。");
  const FolderContents written = {{"TextAsset/", {}},
                                  {"TextAsset/Big.txt", Bytes{'m', 'i', 'n', 'e'}},
                                  {"TextAsset/Small.txt", Bytes{'s'}}};
  EXPECT_EQ(folderContents(folder), written) << "no half-written file, no temporary file, no empty folder";
}

}  // namespace
