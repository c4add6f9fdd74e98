// Runs the built qmx program as the installer's batch does and checks every byte it prints.
#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>

#include "serialized/SerializedFile.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"
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
const Text kMetadataOutOfMemory = {
    "内存不足，无法读取文件，未作修改！",
    "\xc4\xda\xb4\xe6\xb2\xbb\xd7\xe3\xa3\xac\xce\xde\xb7\xa8\xb6\xc1\xc8\xa1\xce\xc4\xbc\xfe\xa3\xac"
    "\xce\xb4\xd7\xf7\xd0\xde\xb8\xc4\xa3\xa1"};
const Text kTypeTrees = {
    "不支持带类型树的文件，未作修改！",
    "\xb2\xbb\xd6\xa7\xb3\xd6\xb4\xf8\xc0\xe0\xd0\xcd\xca\xf7\xb5\xc4\xce\xc4\xbc\xfe\xa3\xac"
    "\xce\xb4\xd7\xf7\xd0\xde\xb8\xc4\xa3\xa1"};

constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kMonoBehaviour = 114;
constexpr std::int16_t kFont = 128;
constexpr std::int16_t kTexture2D = 28;

ObjectDescription object(std::int64_t pathId, std::int16_t classId, Bytes data) {
  return {pathId, classId, classId, 0xFFFF, 0, std::move(data)};
}

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// A TextAsset as qmx writes it: padded with zeros to a multiple of 4.
Bytes paddedTextAsset(const std::string& name, const Bytes& script) {
  Bytes data = textAssetObject(name, script);
  data.resize((data.size() + 3) / 4 * 4, 0);
  return data;
}

// The data every object of the file on disk points at, by path ID.
std::map<std::int64_t, Bytes> objectData(const std::filesystem::path& asset) {
  SerializedFile file;
  std::map<std::int64_t, Bytes> data;
  if (file.load(asset.wstring()) != LoadStatus::Loaded) return data;
  for (const auto& [key, info] : file.objects().entries()) data[info.pathId] = file.readObjectBytes(info);
  return data;
}

std::map<std::int64_t, Bytes> describedData(const AssetDescription& description) {
  std::map<std::int64_t, Bytes> data;
  for (const ObjectDescription& o : description.objects) data[o.pathId] = o.data;
  return data;
}

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
  std::filesystem::path unpacked() const { return dir_ / "Data" / "level_unpak"; }

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
  // The type trees of format 23 on are stored in a way not read here.
  AssetDescription withTrees = sampleAsset(23);
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
      {"format 16", withVersionWord(sample, 16), kVersionUnsupported},
      {"format 24", withVersionWord(sample, 24), kVersionUnsupported},
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

#ifdef _WIN32
// Windows opens a device for these names in any folder, with any extension: NUL reads as empty,
// CON and CONIN$ wait on the console. They name no replacement file.
TEST_F(QmxProgram, DeviceNamesMatchNoFile) {
  AssetDescription d;
  FontData nulFont;
  nulFont.name = "NUL";
  TextureData auxTexture;
  auxTexture.name = "Aux.Atlas";
  d.objects = {object(1, kTextAsset, textAssetObject("nul", text("kept"))),
               object(2, kFont, fontObject(nulFont, FontLayout::LargeReferences)),
               object(3, kTextAsset, textAssetObject("con.txt", text("kept"))),
               object(4, kTextAsset, textAssetObject("CONIN$", text("kept"))),
               object(5, kTextAsset, textAssetObject("conout$", text("kept"))),
               object(6, kTextAsset, textAssetObject("Lpt1", text("kept"))),
               object(7, kTextAsset, textAssetObject("com9 .old", text("kept"))),
               object(8, kTexture2D, textureObject(auxTexture)),
               object(9, kTextAsset, textAssetObject("ui\\prn", text("kept"))),
               object(10, kTextAsset, textAssetObject("Fine", text("old")))};
  placeAsset(buildAsset(d).bytes);
  std::filesystem::create_directories(unpacked() / "Font");
  std::filesystem::create_directories(unpacked() / "Texture2D");
  std::filesystem::create_directories(unpacked() / "TextAsset" / "ui");
  writeFile(unpacked() / "TextAsset" / "Fine.txt", text("new"));

  const ChildResult result = qmx({L"-i", asset_});
  EXPECT_EQ(result.output, lines({kRepackStarted, kDone}));
  std::map<std::int64_t, Bytes> expected = describedData(d);
  expected[10] = paddedTextAsset("Fine", text("new"));
  EXPECT_EQ(objectData(dir_ / "Data" / "level.assets"), expected);
}
#else
// A FIFO would hold qmx for ever waiting for a writer, /dev/zero would never end, /dev/null would
// empty the object: none of them, nor a socket, is a replacement file.
TEST_F(QmxProgram, PipesDevicesAndSocketsMatchNoFile) {
  AssetDescription d;
  FontData body;
  body.name = "Body";
  TextureData atlas;
  atlas.name = "Atlas";
  d.objects = {object(1, kTextAsset, textAssetObject("Fifo", text("kept"))),
               object(2, kFont, fontObject(body, FontLayout::LargeReferences)),
               object(3, kTexture2D, textureObject(atlas)),
               object(4, kTextAsset, textAssetObject("Zero", text("kept"))),
               object(5, kMonoBehaviour, Bytes(12, 0x55)),
               object(6, kTextAsset, textAssetObject("Fine", text("old")))};
  placeAsset(buildAsset(d).bytes);
  const auto texts = unpacked() / "TextAsset";
  std::filesystem::create_directories(texts);
  std::filesystem::create_directories(unpacked() / "Font");
  std::filesystem::create_directories(unpacked() / "Texture2D");
  std::filesystem::create_directories(unpacked() / "MonoBehaviour" / "114");
  ASSERT_EQ(mkfifo((texts / "Fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((unpacked() / "Font" / "Body.ttf").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", unpacked() / "Font" / "Body.rect");
  std::filesystem::create_symlink("/dev/null", unpacked() / "Texture2D" / "Atlas.dds");
  std::filesystem::create_symlink("/dev/zero", texts / "Zero.txt");
  const std::string socketPath = (unpacked() / "MonoBehaviour" / "114" / "5.bin").string();
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  writeFile(texts / "Fine.txt", text("new"));

  const ChildResult result =
      runLimitedProgram(siblingProgram("qmx"), {L"-i", asset_}, dir_.path(), {.seconds = 30});
  close(listener);
  EXPECT_EQ(result.exitCode, 0) << "ended by a signal if it waited";
  EXPECT_EQ(result.output, lines({kRepackStarted, kDone}));
  std::map<std::int64_t, Bytes> expected = describedData(d);
  expected[6] = paddedTextAsset("Fine", text("new"));
  EXPECT_EQ(objectData(dir_ / "Data" / "level.assets"), expected);
}

constexpr int kSharingEntries = 40;
Bytes hugeNamedText() {
  return textAssetObject(std::string(10 << 20, 'n'), text("kept"));
}

// Entries 1 to kSharingEntries all point at one TextAsset with a name of 10 MB; the entry after
// them is a TextAsset named Fine.
Bytes assetSharingAHugeName() {
  AssetDescription d;
  d.objects.push_back(object(1, kTextAsset, hugeNamedText()));
  for (int i = 2; i <= kSharingEntries; ++i) d.objects.push_back(object(i, kTextAsset, Bytes(4, 0)));
  d.objects.push_back(object(kSharingEntries + 1, kTextAsset, textAssetObject("Fine", text("old"))));
  const BuiltAsset built = buildAsset(d);
  Bytes bytes = built.bytes;
  // Entries of 28 bytes from format 15: byte start and size follow the 8-byte path ID.
  const std::size_t entries = (built.objectTableStart + 4 + 3) / 4 * 4;
  for (int i = 1; i < kSharingEntries; ++i) {
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(entries + 8), 8,
                bytes.begin() + static_cast<std::ptrdiff_t>(entries + i * 28 + 8));
  }
  return bytes;
}

// A name is read only as far as a path can reach, so the run neither holds forty copies of the
// 10 MB name nor compares them. (The peak measured is that of the largest child, which includes the
// pages this process had when it forked, about 30 MB; qmx's own peak is about 4 MB.)
TEST_F(QmxProgram, HugeNamesAreReadOnlyAsFarAsAPathCanReach) {
  placeAsset(assetSharingAHugeName());
  writeFile(unpacked() / "TextAsset" / "Fine.txt", text("new"));

  const auto start = std::chrono::steady_clock::now();
  const ChildResult result =
      runLimitedProgram(siblingProgram("qmx"), {L"-i", asset_}, dir_.path(), {.seconds = 120});
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_EQ(result.output, lines({kRepackStarted, kDone}));
  EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak resident kilobytes";
  EXPECT_LT(seconds, 20.0);
  const std::map<std::int64_t, Bytes> after = objectData(dir_ / "Data" / "level.assets");
  ASSERT_EQ(after.size(), static_cast<std::size_t>(kSharingEntries + 1));
  EXPECT_TRUE(after.at(kSharingEntries) == hugeNamedText());
  EXPECT_EQ(after.at(kSharingEntries + 1), paddedTextAsset("Fine", text("new")));
}

// Replacements larger than all the memory qmx may take go in whole: their bytes are copied a piece
// at a time, the pixels of an ARGB32 texture reordered piece by piece.
TEST_F(QmxProgram, ReplacementsLargerThanQmxsMemoryAreCopiedInPieces) {
  constexpr std::uint64_t kTextLength = 48 << 20;
  constexpr std::int32_t kWidth = 4096;
  constexpr std::int32_t kHeight = 2048;  // 32 MiB of ARGB32 pixels
  constexpr std::uint64_t kPixelLength = std::uint64_t{kWidth} * kHeight * 4;
  TextureData texture;
  texture.name = "Atlas";
  texture.textureFormat = 5;
  AssetDescription d;
  d.objects = {object(1, kTextAsset, textAssetObject("Big", text("kept"))),
               object(2, kTexture2D, textureObject(texture))};
  placeAsset(buildAsset(d).bytes);
  writePatternFile(unpacked() / "TextAsset" / "Big.txt", {}, kTextLength);
  const Bytes dds = ddsFile(kWidth, kHeight, {});
  writePatternFile(unpacked() / "Texture2D" / "Atlas.dds", dds, kPixelLength);

  const ChildResult result = runLimitedProgram(siblingProgram("qmx"), {L"-i", asset_}, dir_.path(),
                                               {.seconds = 120, .addressSpace = 32 << 20});
  EXPECT_EQ(result.exitCode, 0);
  ASSERT_EQ(result.output, lines({kRepackStarted, kDone}));

  const std::map<std::int64_t, Bytes> data = objectData(dir_ / "Data" / "level.assets");
  const Bytes expectedText = paddedTextAsset("Big", patternBytes(0, kTextLength));
  EXPECT_TRUE(data.at(1) == expectedText) << "the text, " << data.at(1).size() << " bytes";
  Bytes pixels = patternBytes(0, kPixelLength);
  for (std::size_t i = 0; i < pixels.size(); i += 4) std::reverse(&pixels[i], &pixels[i + 4]);
  texture.width = kWidth;
  texture.height = kHeight;
  texture.imageData = std::move(pixels);
  EXPECT_TRUE(data.at(2) == textureObject(texture)) << "the texture, " << data.at(2).size() << " bytes";
}

// An object table larger than the memory qmx can have: one line, and the file as it was.
TEST_F(QmxProgram, AMetadataTooLargeForMemoryIsRefusedUntouched) {
  constexpr int kObjects = 1'000'000;  // 28 bytes each in the file, several times that in memory
  AssetDescription d;
  d.objects.reserve(kObjects);
  for (int i = 1; i <= kObjects; ++i) d.objects.push_back(object(i, 1, {}));
  placeAsset(buildAsset(d).bytes);
  const Bytes before = assetOnDisk();

  const ChildResult result = runLimitedProgram(siblingProgram("qmx"), {L"-i", asset_}, dir_.path(),
                                               {.seconds = 120, .addressSpace = 64 << 20});
  EXPECT_EQ(result.exitCode, 0) << "not ended by an abort";
  EXPECT_EQ(result.output, lines({kRepackStarted, kMetadataOutOfMemory}));
  EXPECT_TRUE(assetOnDisk() == before);
}
#endif

// Nothing that only looks like a file in place of the asset file is opened, or waited on.
TEST_F(QmxProgram, APipeOrADeviceInPlaceOfTheFileIsNoFile) {
#ifdef _WIN32
  for (const wchar_t* device : {L"NUL", L"Data\\con.assets", L"CONIN$"}) {
    EXPECT_EQ(qmx({L"-i", device}).output, lines({kFileMissing}))
        << testing::PrintToString(std::wstring(device));
  }
#else
  std::filesystem::create_directories(dir_ / "Data");
  ASSERT_EQ(mkfifo((dir_ / "Data" / "level.assets").c_str(), 0600), 0);
  for (const std::wstring& path : {asset_, std::wstring(L"/dev/zero")}) {
    const ChildResult result =
        runLimitedProgram(siblingProgram("qmx"), {L"-i", path}, dir_.path(), {.seconds = 30});
    EXPECT_EQ(result.exitCode, 0) << "ended by a signal if it waited";
    EXPECT_EQ(result.output, lines({kFileMissing}));
  }
#endif
}

TEST_F(QmxProgram, AFolderInPlaceOfTheFileCannotBeOpened) {
  std::filesystem::create_directories(dir_ / "Data" / "level.assets");
  EXPECT_EQ(qmx({L"-i", asset_}).output, lines({kRepackStarted, kCannotOpen}));
}

}  // namespace
