// The built qmx on a drive that fills up while it appends: whatever the sizes, the asset file must
// come out exactly as it went in, since qmx rewrites it in place and keeps no backup.
#include <gtest/gtest.h>

#include <sstream>

#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

// The small drive is a tmpfs: it hands out space a page at a time.
constexpr std::uintmax_t kPage = 4096;
constexpr std::int16_t kGameObject = 1;
constexpr std::int16_t kMonoBehaviour = 114;

// Replacements around the C runtimes' buffer sizes and the page size.
constexpr std::size_t kReplacementSizes[] = {1, 4095, 4096, 4097, 8191, 8192, 8193, 65536};
// Asset files that end on a page, one byte short of one (one byte of padding before the append) and
// in the middle of one.
constexpr std::size_t kAssetSizes[] = {2 * kPage, 3 * kPage - 1, 2 * kPage + 1000};

std::string line(std::wstring_view text) {
  return consoleBytes(text) + kLineEnd;
}
const std::string kStarted = line(L"正在重新打包！请不要关闭本窗口！");

std::uintmax_t pagesFor(std::uintmax_t bytes) {
  return (bytes + kPage - 1) / kPage;
}

// A GameObject whose data brings the file to exactly size bytes, then MonoBehaviours with path IDs
// 1, 2, ...
Bytes assetOfSize(std::size_t size, int monoBehaviours) {
  AssetDescription d;
  d.objects.push_back({100, kGameObject, kGameObject, 0xFFFF, 0, {}});
  for (int i = 1; i <= monoBehaviours; ++i)
    d.objects.push_back({i, kMonoBehaviour, kMonoBehaviour, 0xFFFF, 0, {}});
  const std::size_t bare = buildAsset(d).bytes.size();
  d.objects.front().data.assign(size - bare, 0x5A);
  return buildAsset(d).bytes;
}

class FullDrive : public ::testing::Test {
 protected:
  // The asset file and one .bin per replacement size, in path-ID order, on a fresh part of the drive.
  void place(std::size_t assetSize, const std::vector<std::size_t>& replacementSizes) {
    dir_ = std::make_unique<TempDirectory>(SMALL_DRIVE);
    original_ = assetOfSize(assetSize, static_cast<int>(replacementSizes.size()));
    writeFile(asset(), original_);
    for (std::size_t i = 0; i < replacementSizes.size(); ++i) {
      const auto bin = *dir_ / "level_unpak" / "MonoBehaviour" / "114" / (std::to_string(i + 1) + ".bin");
      writeFile(bin, Bytes(replacementSizes[i], static_cast<std::uint8_t>(0xB0 + i)));
    }
    before_ = folderContents(dir_->path());
  }
  std::filesystem::path asset() const { return *dir_ / "level.assets"; }

  // The pages that appending the replacements would add to the asset file.
  static std::uintmax_t pagesNeeded(std::size_t assetSize, const std::vector<std::size_t>& replacementSizes) {
    std::uintmax_t end = assetSize;
    for (std::size_t size : replacementSizes) end = (end + 3) / 4 * 4 + size;
    return pagesFor(end) - pagesFor(assetSize);
  }

  ChildResult repackLeaving(std::uintmax_t freePages) {
    fillDriveLeaving(*dir_ / "filler", freePages * kPage);
    return runProgram(siblingProgram("qmx"), {L"-i", L"level.assets"}, dir_->path());
  }

  // Everything in the folder is as it was placed, the filler aside.
  void expectUntouched(const std::string& what) {
    FolderContents after = folderContents(dir_->path());
    after.erase("filler");
    const Bytes bytes = readFile(asset());
    EXPECT_EQ(bytes.size(), original_.size()) << what;
    EXPECT_TRUE(bytes == original_) << what;
    EXPECT_TRUE(after == before_) << what;
  }

  std::unique_ptr<TempDirectory> dir_;
  Bytes original_;
  FolderContents before_;
};

std::string describe(std::size_t assetSize, const std::vector<std::size_t>& replacementSizes) {
  std::ostringstream text;
  text << "asset file of " << assetSize << " bytes, replacements of";
  for (std::size_t size : replacementSizes) text << ' ' << size;
  return text.str();
}

TEST_F(FullDrive, AnAppendThatDoesNotFitLeavesTheFileAsItWas) {
  for (std::size_t assetSize : kAssetSizes) {
    for (std::size_t replacementSize : kReplacementSizes) {
      const std::vector<std::size_t> sizes = {replacementSize};
      const std::uintmax_t needed = pagesNeeded(assetSize, sizes);
      if (needed == 0) continue;  // fits in what the file's last page has left
      place(assetSize, sizes);
      const ChildResult result = repackLeaving(needed - 1);
      const std::string what = describe(assetSize, sizes);
      EXPECT_EQ(result.exitCode, 0) << what;
      EXPECT_EQ(result.output, kStarted + line(L"写入文件出错！")) << what;
      expectUntouched(what);
    }
  }
}

// The first replacement is written and flushed; the second runs out of space. Both are cut off.
TEST_F(FullDrive, AppendsBeforeTheOneThatFailedAreCutOffToo) {
  for (const std::vector<std::size_t>& sizes :
       {std::vector<std::size_t>{5000, 8192}, {1, 65536}, {4096, 1}}) {
    place(2 * kPage, sizes);
    const ChildResult result = repackLeaving(pagesNeeded(2 * kPage, sizes) - 1);
    const std::string what = describe(2 * kPage, sizes);
    EXPECT_EQ(result.output, kStarted + line(L"写入文件出错！")) << what;
    expectUntouched(what);
  }
}

// The same drive with just the space the appends need: the run succeeds, so the failures above come
// from the space left and from nothing else.
TEST_F(FullDrive, JustEnoughSpaceIsEnough) {
  for (std::size_t replacementSize : kReplacementSizes) {
    const std::vector<std::size_t> sizes = {replacementSize};
    const std::size_t assetSize = 3 * kPage - 1;
    place(assetSize, sizes);
    const ChildResult result = repackLeaving(pagesNeeded(assetSize, sizes));
    EXPECT_EQ(result.output, kStarted + line(L"完成！")) << describe(assetSize, sizes);
    const Bytes after = readFile(asset());
    ASSERT_EQ(after.size(), assetSize + 1 + replacementSize) << describe(assetSize, sizes);
    EXPECT_EQ(after.back(), 0xB0);
  }
}

}  // namespace
