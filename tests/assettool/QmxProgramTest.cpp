// Runs the built qmx program as the installer's batch does and checks every byte it prints.
#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/SampleAssets.h"

using namespace testsupport;

namespace {

// The texts as the console receives them: GBK on Windows, UTF-8 elsewhere.
struct Text {
  const char* utf8;
  const char* gbk;
};
#ifdef _WIN32
std::string bytesOf(const Text& text) {
  return text.gbk;
}
#else
std::string bytesOf(const Text& text) {
  return text.utf8;
}
#endif

const Text kWrongArgumentCount = {"参数错误...", "\xb2\xce\xca\xfd\xb4\xed\xce\xf3..."};
const Text kWrongOption = {"参数错误", "\xb2\xce\xca\xfd\xb4\xed\xce\xf3"};
const Text kWrongModeNumber = {"输入错误", "\xca\xe4\xc8\xeb\xb4\xed\xce\xf3"};
const Text kFileMissing = {"文件不存在！", "\xce\xc4\xbc\xfe\xb2\xbb\xb4\xe6\xd4\xda\xa3\xa1"};
const Text kRepackStarted = {
    "正在重新打包！请不要关闭本窗口！",
    "\xd5\xfd\xd4\xda\xd6\xd8\xd0\xc2\xb4\xf2\xb0\xfc\xa3\xa1\xc7\xeb\xb2\xbb\xd2\xaa"
    "\xb9\xd8\xb1\xd5\xb1\xbe\xb4\xb0\xbf\xda\xa3\xa1"};
const Text kDone = {"完成！", "\xcd\xea\xb3\xc9\xa3\xa1"};
const Text kVersionBelow9 = {"版本小于9", "\xb0\xe6\xb1\xbe\xd0\xa1\xd3\xda\x39"};
const Text kCannotOpen = {"无法读写文件！", "\xce\xde\xb7\xa8\xb6\xc1\xd0\xb4\xce\xc4\xbc\xfe\xa3\xa1"};
const Text kDamaged = {
    "文件已损坏，未作修改！",
    "\xce\xc4\xbc\xfe\xd2\xd1\xcb\xf0\xbb\xb5\xa3\xac\xce\xb4\xd7\xf7\xd0\xde\xb8\xc4\xa3\xa1"};
const Text kVersionUnsupported = {
    "不支持此文件版本，未作修改！",
    "\xb2\xbb\xd6\xa7\xb3\xd6\xb4\xcb\xce\xc4\xbc\xfe\xb0\xe6\xb1\xbe\xa3\xac\xce\xb4\xd7\xf7"
    "\xd0\xde\xb8\xc4\xa3\xa1"};
const Text kTypeTrees = {
    "不支持带类型树的文件，未作修改！",
    "\xb2\xbb\xd6\xa7\xb3\xd6\xb4\xf8\xc0\xe0\xd0\xcd\xca\xf7\xb5\xc4\xce\xc4\xbc\xfe\xa3\xac"
    "\xce\xb4\xd7\xf7\xd0\xde\xb8\xc4\xa3\xa1"};

std::string lines(std::initializer_list<Text> texts) {
  std::string out;
  for (const Text& text : texts) out += bytesOf(text) + kLineEnd;
  return out;
}

class QmxProgram : public ::testing::Test {
 protected:
  ChildResult qmx(const std::vector<std::wstring>& arguments, const std::string& input = {}) {
    return runProgram(siblingProgram("qmx"), arguments, dir_.path(), input);
  }
  void placeAsset(const Bytes& bytes) { writeFile(dir_ / "Data" / "level.assets", bytes); }
  Bytes assetOnDisk() { return readFile(dir_ / "Data" / "level.assets"); }

  TempDirectory dir_;
  const std::wstring asset_ = L"Data\\level.assets";
};

TEST_F(QmxProgram, WrongArgumentCountsAreRefused) {
  for (const auto& arguments : {std::vector<std::wstring>{}, {L"-i", L"a.assets", L"extra"}}) {
    const ChildResult result = qmx(arguments);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, lines({kWrongArgumentCount}));
  }
}

TEST_F(QmxProgram, OptionsOtherThanIAndOAreRefusedWithoutTouchingTheFile) {
  const Bytes original = buildAsset(sampleAsset(15)).bytes;
  placeAsset(original);
  for (const wchar_t* option : {L"-x", L"/i", L"-i "}) {
    const ChildResult result = qmx({option, asset_});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, lines({kWrongOption}))
        << "option " << testing::PrintToString(std::wstring(option));
  }
  EXPECT_EQ(assetOnDisk(), original);
}

TEST_F(QmxProgram, UnpackModeDoesNothing) {
  for (const auto& [arguments, input] : {std::pair{std::vector<std::wstring>{L"-o", L"missing.assets"}, ""},
                                         {{L"-O", L"missing.assets"}, ""},
                                         {{L"missing.assets"}, "1\n"}}) {
    const ChildResult result = qmx(arguments, input);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
  }
}

TEST_F(QmxProgram, ASingleArgumentTakesTheModeFromStandardInput) {
  for (const char* input : {"3\n", "i\n", ""}) {
    const ChildResult result = qmx({asset_}, input);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, lines({kWrongModeNumber})) << "input " << input;
  }
  // A lone -i is the file's name, not the option.
  EXPECT_EQ(qmx({L"-i"}, "2\n").output, lines({kFileMissing}));
  placeAsset(buildAsset(sampleAsset(15)).bytes);
  EXPECT_EQ(qmx({asset_}, "2\n").output, lines({kRepackStarted, kDone}));
}

TEST_F(QmxProgram, MissingFileIsReportedAndNothingIsCreated) {
  const ChildResult result = qmx({L"-i", L"missing.assets"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output, lines({kFileMissing}));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.assets"));
}

TEST_F(QmxProgram, RepackWithoutAnUnpackedFolderLeavesTheFileAsItWas) {
  const Bytes original = buildAsset(sampleAsset(15)).bytes;
  placeAsset(original);
  for (const wchar_t* option : {L"-i", L"-I"}) {
    const ChildResult result = qmx({option, asset_});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, lines({kRepackStarted, kDone}));
    EXPECT_EQ(assetOnDisk(), original);
  }
  const std::wstring absolute = (dir_ / "Data" / "level.assets").wstring();
  EXPECT_EQ(qmx({L"-i", absolute}).output, lines({kRepackStarted, kDone}));
  EXPECT_EQ(assetOnDisk(), original);
}

TEST_F(QmxProgram, FilesItCannotTrustAreLeftUntouched) {
  const Bytes sample = buildAsset(sampleAsset(15)).bytes;
  AssetDescription withTrees = sampleAsset(15);
  withTrees.hasTypeTrees = true;
  const struct {
    const char* what;
    Bytes bytes;
    Text message;
  } cases[] = {
      {"truncated", Bytes(sample.begin(), sample.end() - 1), kDamaged},
      {"cut in the metadata", Bytes(sample.begin(), sample.begin() + 40), kDamaged},
      {"not an asset file", Bytes(5000, 0xFF), kDamaged},
      {"empty", Bytes{}, kDamaged},
      {"type trees", buildAsset(withTrees).bytes, kTypeTrees},
      {"format 8", buildAsset(sampleAsset(8)).bytes, kVersionBelow9},
      {"format 17", withVersionWord(sample, 17), kVersionUnsupported},
      {"format 22", format22Sample(), kVersionUnsupported},
  };
  // A replacement that every one of them would have taken, had it been read.
  writeFile(dir_ / "Data" / "level_unpak" / "TextAsset" / "Localization.txt", Bytes(5, 'x'));
  for (const auto& c : cases) {
    placeAsset(c.bytes);
    const ChildResult result = qmx({L"-i", asset_});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, lines({kRepackStarted, c.message})) << c.what;
    EXPECT_EQ(assetOnDisk(), c.bytes) << c.what;
  }
}

TEST_F(QmxProgram, AFolderInPlaceOfTheFileCannotBeOpened) {
  std::filesystem::create_directories(dir_ / "Data" / "level.assets");
  EXPECT_EQ(qmx({L"-i", asset_}).output, lines({kRepackStarted, kCannotOpen}));
}

}  // namespace
