// The extraction loop over archives written here with minizip's writer, in a folder of the test's
// own, watched through a view that records what the dialog would show.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "install/Extraction.h"
#include "install/InstallRun.h"
#include "support/Files.h"
#include "support/TestArchives.h"

using namespace testsupport;

namespace {

struct Shown {
  std::vector<std::wstring> statuses;  // repainted at once
  std::wstring text;                   // the status text as it stands
  std::vector<int> positions;
  int range = -1;
  std::vector<std::wstring> errors;  // caption: text
};

class RecordingView : public InstallView {
 public:
  void SetStatus(const std::wstring& text) override {
    shown.statuses.push_back(text);
    shown.text = text;
  }
  void SetStatusText(const std::wstring& text) override { shown.text = text; }
  void SetRange(int high) override { shown.range = high; }
  void SetPos(int position) override { shown.positions.push_back(position); }
  int GetPos() override { return shown.positions.empty() ? 0 : shown.positions.back(); }
  void ShowError(const wchar_t* text, const wchar_t* caption) override {
    shown.errors.push_back(std::wstring(caption) + L": " + text);
  }

  Shown shown;
};

std::string contentOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Extraction : public ::testing::Test {
 protected:
  Extraction() = default;
  explicit Extraction(const std::filesystem::path& drive) : game_(drive) {}

  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::create_directories(game_ / "game");
    std::filesystem::current_path(game_ / "game");
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  int extract(const std::vector<ZipEntry>& entries, bool deflate = true) {
    writeZip(archive(), entries, deflate);
    return ExtractArchive(archive().string(), view_);
  }
  std::filesystem::path archive() const { return game_ / "payload.zip"; }
  std::filesystem::path inGame(const std::string& name) const { return game_ / "game" / name; }
  FolderContents gameContents() const { return folderContents(game_ / "game"); }

  TempDirectory game_;
  std::filesystem::path previous_;
  RecordingView view_;
};

const std::vector<ZipEntry> kPayload = {
    {"Data/", "", true},
    {"Data/Config/", "", true},
    {"Data/Config/controls.xml", "<controls>界面</controls>"},
    {"Cindermoor_Data/", "", true},
    {"Cindermoor_Data/level0", std::string(70000, 'L')},
    {"Cindermoor_Data/empty.bin", ""},
};

TEST_F(Extraction, WritesEveryEntryWithTheArchivesAttributesAndCountsEntries) {
  EXPECT_EQ(extract(kPayload), 0);
  EXPECT_EQ(contentOf(inGame("Data/Config/controls.xml")), "<controls>界面</controls>");
  EXPECT_EQ(contentOf(inGame("Cindermoor_Data/level0")), std::string(70000, 'L'));
  EXPECT_TRUE(std::filesystem::exists(inGame("Cindermoor_Data/empty.bin")));
  EXPECT_TRUE(std::filesystem::is_directory(inGame("Data")));
  EXPECT_EQ(::GetFileAttributesW(inGame("Cindermoor_Data/level0").wstring().c_str()), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(view_.shown.range, 6);
  EXPECT_EQ(view_.shown.positions, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(view_.shown.statuses.back(), L"当前进度100%");
  EXPECT_TRUE(view_.shown.errors.empty());
}

TEST_F(Extraction, ReadOnlyTargetsAreReplacedAndTakeTheArchivesAttributes) {
  writeFile(inGame("Data/Config/controls.xml"), Bytes{'o', 'l', 'd'});
  ::SetFileAttributesW(inGame("Data/Config/controls.xml").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(extract(kPayload), 0);
  EXPECT_EQ(contentOf(inGame("Data/Config/controls.xml")), "<controls>界面</controls>");
  EXPECT_EQ(::GetFileAttributesW(inGame("Data/Config/controls.xml").wstring().c_str()),
            FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(Extraction, ATargetHeldOpenStopsTheRunAtThatEntry) {
  writeFile(inGame("Cindermoor_Data/level0"), Bytes{'o', 'l', 'd'});
  const HANDLE held = ::CreateFileW(inGame("Cindermoor_Data/level0").wstring().c_str(), GENERIC_READ, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(extract(kPayload), 1);
  ::CloseHandle(held);
  EXPECT_EQ(view_.shown.errors,
            std::vector<std::wstring>{L"汉化失败: 安装失败! \n请确认游戏进程是否处于打开状态!!"});
  EXPECT_EQ(view_.shown.statuses.back(), L"安装失败!");
  EXPECT_EQ(contentOf(inGame("Data/Config/controls.xml")), "<controls>界面</controls>");  // written before
  EXPECT_EQ(contentOf(inGame("Cindermoor_Data/level0")), "old");
  EXPECT_FALSE(std::filesystem::exists(inGame("Cindermoor_Data/empty.bin")));  // never reached
  EXPECT_EQ(gameContents().size(), 5u) << "three folders, the two files, and no copy left beside them";
}

TEST_F(Extraction, NamesLeavingTheFolderStopTheRunBeforeAnythingIsWritten) {
  for (const char* name :
       {"../outside.txt", "Data/../../outside.txt", "/rooted.txt", "C:/drive.txt", "a\\..\\..\\b"}) {
    std::vector<ZipEntry> entries = kPayload;
    entries.push_back({name, "escape"});
    view_ = RecordingView();
    EXPECT_EQ(extract(entries), 1) << name;
    EXPECT_EQ(view_.shown.errors, std::vector<std::wstring>{L"错误: 解压文件错误"}) << name;
    EXPECT_FALSE(std::filesystem::exists(inGame("Data"))) << name;
    EXPECT_FALSE(std::filesystem::exists(game_ / "outside.txt")) << name;
  }
}

// Each follows a whole good payload, so under a check made entry by entry the game would already
// be half patched when it came.
TEST_F(Extraction, EntriesTheWritingCannotTrustStopTheRunBeforeAnythingIsWritten) {
  const std::vector<ZipEntry> untrusted = {
      {"Data/Config/controls.xml", "a file with the folder bit", false, 0x10},
      {"Data/Config/", "", false},  // a folder's name without the folder bit
      {"Data/Filled/", "a folder with data", true},
      {"Data/" + std::string(255, 'n'), "a name that fills the reader's 260-byte buffer"},
      {"Data/" + std::string(300, 'n'), "a longer one"},
      {"Data/CON", "device"},
      {"Data/nul.txt", "device"},
      {"Data/Com1.log", "device"},
      {"Data/a|b.txt", "not a file name"},
      {"Data/tab\there", "not a file name"},
  };
  writeFile(inGame("Data/Config/controls.xml"), Bytes{'o', 'l', 'd'});
  const FolderContents before = gameContents();
  for (const ZipEntry& entry : untrusted) {
    std::vector<ZipEntry> entries = kPayload;
    entries.push_back(entry);
    view_ = RecordingView();
    EXPECT_EQ(extract(entries), 1) << entry.name;
    EXPECT_EQ(view_.shown.errors, std::vector<std::wstring>{L"错误: 解压文件错误"}) << entry.name;
    EXPECT_TRUE(view_.shown.positions.empty()) << entry.name;
    EXPECT_TRUE(view_.shown.statuses.empty()) << entry.name;
    EXPECT_EQ(gameContents(), before) << entry.name;
  }
}

TEST_F(Extraction, ADamagedPayloadLeavesTheGameFolderAsItWas) {
  writeFile(inGame("Data/Config/controls.xml"), Bytes{'o', 'l', 'd'});
  const FolderContents before = gameContents();

  std::vector<ZipEntry> shortEntry = kPayload;
  shortEntry.push_back({"Cindermoor_Data/short.bin", "fewer bytes than it claims", false, {}, 4096});
  std::vector<ZipEntry> crcBroken = kPayload;
  crcBroken.push_back({"Cindermoor_Data/last.bin", "payload-bytes"});
  writeZip(archive(), crcBroken, false);
  std::string bytes = contentOf(archive());
  bytes[bytes.find("payload-bytes")] = 'P';
  const std::filesystem::path damagedCrc = game_ / "crc.zip";
  std::ofstream(damagedCrc, std::ios::binary) << bytes;

  writeZip(archive(), shortEntry);
  for (const std::filesystem::path& damaged : {archive(), damagedCrc}) {
    view_ = RecordingView();
    EXPECT_EQ(ExtractArchive(damaged.string(), view_), 1) << damaged;
    EXPECT_EQ(view_.shown.errors, std::vector<std::wstring>{L"错误: 解压文件错误"}) << damaged;
    EXPECT_TRUE(view_.shown.statuses.empty()) << "the status line stays as it stood";
    EXPECT_EQ(gameContents(), before) << damaged;
  }
}

TEST_F(Extraction, DamagedDataIsNeverWritten) {
  writeZip(archive(), {{"Data/", "", true}, {"Data/a.txt", "payload-bytes"}}, false);
  std::string bytes = contentOf(archive());
  bytes[bytes.find("payload-bytes")] = 'P';  // stored data that no longer matches its CRC
  std::ofstream(archive(), std::ios::binary | std::ios::trunc) << bytes;
  EXPECT_EQ(ExtractArchive(archive().string(), view_), 1);
  EXPECT_EQ(view_.shown.errors, std::vector<std::wstring>{L"错误: 解压文件错误"});
  EXPECT_FALSE(std::filesystem::exists(inGame("Data/a.txt")));
}

TEST_F(Extraction, AnArchiveThatCannotBeOpenedBlamesTheTemporaryFolder) {
  writeFile(archive(), Bytes(100, 'x'));
  EXPECT_EQ(ExtractArchive(archive().string(), view_), 1);
  EXPECT_EQ(view_.shown.statuses, std::vector<std::wstring>{L"安装失败!"});
  EXPECT_EQ(
      view_.shown.errors,
      std::vector<std::wstring>{L"错误: 打开文件失败！\r\n可能是您的[临时文件目录]所在分区没有足够空间！"});
  EXPECT_EQ(ExtractArchive((game_ / "missing.zip").string(), view_), 1);
}

TEST_F(Extraction, AnEmptyArchiveIsComplete) {
  // The reader finds an archive's directory only after some leading bytes (as a self-extracting
  // archive has them); the archive then holds no entry at all.
  writeZip(archive(), {});
  std::string bytes = contentOf(archive());
  std::ofstream(archive(), std::ios::binary | std::ios::trunc) << "stub" << bytes;
  EXPECT_EQ(ExtractArchive(archive().string(), view_), 0);
  EXPECT_EQ(view_.shown.statuses, std::vector<std::wstring>{L"当前进度100%"});
}

// This test program carries no patch archives: the run reports the missing resource in a narrow
// box without a caption and ends as a failed one, leaving no temporary file behind.
// A message box of this process with an empty caption: other tests' dialogs may be on the screen.
HWND ownBoxWithoutCaption() {
  struct Search {
    HWND found = nullptr;
  } search;
  ::EnumWindows(
      [](HWND window, LPARAM into) -> BOOL {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        if (process != ::GetCurrentProcessId() || std::wstring(className) != L"#32770" ||
            ::GetWindowTextLengthW(window) != 0) {
          return TRUE;
        }
        reinterpret_cast<Search*>(into)->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TEST_F(Extraction, ARunWithoutItsArchiveFailsAndLeavesNothing) {
  const auto temporaryFiles = [] {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
      if (entry.path().filename().wstring().rfind(L"QMX", 0) == 0) found.push_back(entry.path());
    }
    return found;
  };
  const auto before = temporaryFiles();
  int result = -1;
  std::thread worker([&] { result = RunInstall(nullptr, view_); });
  HWND box = nullptr;
  for (int i = 0; i < 300 && box == nullptr; ++i) {
    box = ownBoxWithoutCaption();
    if (box == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(box, nullptr) << "the missing-resource box";
  wchar_t text[64] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 64);
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  worker.join();
  EXPECT_STREQ(text, L"未找到资源!");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(view_.shown.statuses, std::vector<std::wstring>{L"安装失败!"});
  EXPECT_EQ(temporaryFiles(), before);
}

// The game folder on a drive of the test's own, nearly full: the first file fits, the second not.
class ExtractionOnAFullDrive : public Extraction {
 protected:
  ExtractionOnAFullDrive() : Extraction(SMALL_DRIVE) {}
};

TEST_F(ExtractionOnAFullDrive, LeavesEachFileWithItsOldBytesOrThePatchs) {
  writeFile(inGame("Cindermoor_Data/level0"), Bytes{'o', 'l', 'd'});
  const std::wstring level0 = inGame("Cindermoor_Data/level0").wstring();
  ::SetFileAttributesW(level0.c_str(), FILE_ATTRIBUTE_READONLY);
  const DWORD attributes = ::GetFileAttributesW(level0.c_str());
  writeZip(archive(), kPayload);
  fillDriveLeaving(game_ / "filler", 32 * 1024);

  EXPECT_EQ(ExtractArchive(archive().string(), view_), 1);
  EXPECT_EQ(
      view_.shown.errors,
      std::vector<std::wstring>{L"汉化失败: 安装失败! \n写入游戏文件出错，请确认游戏所在分区有足够空间!!"});
  EXPECT_EQ(view_.shown.statuses.back(), L"安装失败!");
  const std::string controls = "<controls>界面</controls>";
  const FolderContents expected = {
      {"Cindermoor_Data/", {}},
      {"Cindermoor_Data/level0", Bytes{'o', 'l', 'd'}},
      {"Data/", {}},
      {"Data/Config/", {}},
      {"Data/Config/controls.xml", Bytes(controls.begin(), controls.end())},
  };
  EXPECT_EQ(gameContents(), expected) << "the old level0, no part of the new one, nothing after it";
  EXPECT_EQ(::GetFileAttributesW(level0.c_str()), attributes) << "left as it was";
}

TEST(ProgressText, RoundsTheShareOfStartedEntries) {
  EXPECT_EQ(ProgressText(1, 38), L"当前进度3%");
  EXPECT_EQ(ProgressText(19, 38), L"当前进度50%");
  EXPECT_EQ(ProgressText(38, 38), L"当前进度100%");
}

TEST(EntryNames, StayBelowTheGameFolder) {
  EXPECT_TRUE(IsSafeEntryName("Cindermoor_Data/resources_unpak/"));
  EXPECT_TRUE(IsSafeEntryName("a..b/c"));
  EXPECT_FALSE(IsSafeEntryName(".."));
  EXPECT_FALSE(IsSafeEntryName("\\\\server\\share"));
}

}  // namespace
