// The whole patch, run as a player runs it: cmpatch started in a fresh copy of the demo game folder,
// the install button pressed, the questions answered, and the folder, the asset files, the desktop
// and the temporary folder looked at afterwards.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <set>

#include "InstallerDriver.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "serialized/SerializedFile.h"
#include "support/TestArchives.h"

using namespace installer_driver;

namespace {

constexpr wchar_t kPublisherName[] = L"灰沼汉化组";
constexpr wchar_t kShortcutCaption[] = L"创建快捷方式";

std::filesystem::path allUsersDesktop() {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE);
  return folder;
}

std::filesystem::path desktopLink() {
  return allUsersDesktop() / L"Cindermoor.lnk";
}

// The message box of that caption, once it is shown.
HWND waitForMessageBox(const wchar_t* caption, std::chrono::milliseconds wait = 120s) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < deadline) {
    if (const HWND box = ::FindWindowW(L"#32770", caption); box != nullptr && ::IsWindowVisible(box))
      return box;
    std::this_thread::sleep_for(100ms);
  }
  return nullptr;
}

std::wstring boxText(HWND box) {
  return itemText(box, 0xFFFF);
}

void press(HWND box, int button) {
  ::PostMessageW(box, WM_COMMAND, button, 0);
}

// Hidden QMXhhhh.TMP files in the temporary folder.
std::set<std::filesystem::path> temporaryArchives() {
  std::set<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.rfind(L"QMX", 0) == 0 && ::_wcsicmp(entry.path().extension().c_str(), L".tmp") == 0) {
      found.insert(entry.path());
    }
  }
  return found;
}

struct LinkFields {
  std::wstring target;
  std::wstring workingFolder;
};

LinkFields readLink(const std::filesystem::path& path) {
  LinkFields fields;
  ::CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(path.wstring().c_str(), STGM_READ))) {
        wchar_t text[1024] = {};
        link->GetPath(text, 1024, nullptr, 0);
        fields.target = text;
        link->GetWorkingDirectory(text, 1024);
        fields.workingFolder = text;
      }
      file->Release();
    }
    link->Release();
  }
  ::CoUninitialize();
  return fields;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  return std::filesystem::equivalent(a, b);
}

std::filesystem::path installArchive() {
  return std::filesystem::path(PAYLOAD_DIR) / "install.zip";
}

// A copy of the built installer whose install archive is the one given, as a patch maker would
// pack it.
std::filesystem::path installerCarrying(const std::filesystem::path& folder, const Bytes& archive) {
  const std::filesystem::path copy = folder / "cmpatch.exe";
  std::filesystem::copy_file(demoInstaller(), copy);
  const HANDLE update = ::BeginUpdateResourceW(copy.wstring().c_str(), FALSE);
  EXPECT_NE(update, nullptr);
  EXPECT_TRUE(::UpdateResourceW(
      update, L"DAT", MAKEINTRESOURCEW(218), MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
      const_cast<std::uint8_t*>(archive.data()), static_cast<DWORD>(archive.size())));
  EXPECT_TRUE(::EndUpdateResourceW(update, FALSE));
  return copy;
}

// The install archive with one byte of its last entry's data changed.
Bytes damagedInstallArchive() {
  Bytes archive = readFile(installArchive());
  const std::string name = "Cindermoor_Data/qmx.bat";
  const auto local = std::search(archive.begin(), archive.end(), name.begin(), name.end());
  const std::size_t nameAt = static_cast<std::size_t>(local - archive.begin());
  const std::size_t extraLength = archive[nameAt - 2] | (archive[nameAt - 1] << 8);
  archive[nameAt + name.size() + extraLength + 10] ^= 0x55;
  return archive;
}

// Each file of the folder holds either what it held before or what the patch carries for it;
// every folder was there before or is one of the patch's.
void expectOldOrPatched(const FolderContents& before, const FolderContents& after) {
  const std::map<std::string, Bytes> patch = archiveFiles(installArchive());
  for (const auto& [name, bytes] : after) {
    const auto old = before.find(name);
    const auto patched = patch.find(name);
    const bool isOld = old != before.end() && old->second == bytes;
    const bool isPatched = name.ends_with('/') || (patched != patch.end() && patched->second == bytes);
    EXPECT_TRUE(isOld || isPatched) << name << " holds neither its old bytes nor the patch's";
  }
}

class InstallRun : public InstallerWindow {
 protected:
  void SetUp() override {
    std::filesystem::copy(DEMO_GAME, game_.path(), std::filesystem::copy_options::recursive);
    std::filesystem::remove(desktopLink());
    archivesBefore_ = temporaryArchives();
  }
  std::filesystem::path data() const { return game_ / "Cindermoor_Data"; }

  // Starts the installer and presses its install button.
  std::unique_ptr<Process> startAndInstall() { return startAndInstall(demoInstaller(), game_.path()); }
  std::unique_ptr<Process> startAndInstall(const std::filesystem::path& program,
                                           const std::filesystem::path& game) {
    auto installer = std::make_unique<Process>(program, game, urlLog());
    const HWND dialog = waitForWindow();
    EXPECT_NE(dialog, nullptr);
    if (dialog != nullptr) ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    return installer;
  }

  // The installer of the patch folder, packed by cmkit as a translator runs it, as setup.exe.
  void pack(const std::filesystem::path& patch, std::vector<std::wstring> options) {
    std::vector<std::wstring> arguments = {L"pack", patch.wstring(), L"-o", (tools_ / "setup.exe").wstring()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ChildResult packed = runProgram(siblingProgram("cmkit"), arguments, tools_.path());
    ASSERT_EQ(packed.exitCode, 0) << packed.output;
  }

  // setup.exe installed into the game folder, the shortcut question answered, the final message closed.
  void installPacked(int shortcutAnswer) {
    auto installer = startAndInstall(tools_ / "setup.exe", game_.path());
    const HWND question = waitForMessageBox(kShortcutCaption);
    ASSERT_NE(question, nullptr) << "the shortcut question";
    press(question, shortcutAnswer);
    const HWND final = waitForMessageBox(kPublisherName);
    ASSERT_NE(final, nullptr) << "the final message";
    press(final, IDOK);
    EXPECT_EQ(installer->waitForExit(), 1);
  }

  // Waits for the error box of that caption, checks its text and closes it.
  void closeErrorBox(const wchar_t* caption, const wchar_t* text, std::chrono::milliseconds wait) {
    const HWND box = waitForMessageBox(caption, wait);
    ASSERT_NE(box, nullptr) << "the box captioned " << std::filesystem::path(caption);
    EXPECT_EQ(boxText(box), text);
    press(box, IDOK);
  }

  // The hidden temporary archive that a failed run leaves, removed.
  void expectTemporaryArchiveLeft() {
    std::set<std::filesystem::path> left = temporaryArchives();
    for (const auto& path : archivesBefore_) left.erase(path);
    ASSERT_EQ(left.size(), 1u) << "the temporary archive stays";
    EXPECT_NE(::GetFileAttributesW(left.begin()->wstring().c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    ::SetFileAttributesW(left.begin()->wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove(*left.begin());
  }

  std::set<std::filesystem::path> archivesBefore_;
  TempDirectory tools_;
};

TEST_F(InstallRun, InstallsThePatchRunsQmxAndCreatesTheShortcut) {
  const auto sharedLength = std::filesystem::file_size(data() / "sharedassets1.assets");
  const std::wstring readOnly = (game_ / "Data/Config/XUi/windows.xml").wstring();
  ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  auto installer = startAndInstall();

  const HWND question = waitForMessageBox(kShortcutCaption);
  ASSERT_NE(question, nullptr) << "the shortcut question";
  EXPECT_EQ(boxText(question), L"是否在桌面创建游戏的快捷方式？");
  press(question, IDYES);
  const HWND final = waitForMessageBox(kPublisherName);
  ASSERT_NE(final, nullptr) << "the final message";
  const std::wstring finalText = boxText(final);
  EXPECT_EQ(finalText.rfind(std::wstring(kTitle) + L"安装成功!\n\n【汉化人员名单】\n", 0), 0u)
      << "starts with the title";
  EXPECT_NE(finalText.find(L"\n\n【汉化说明】\n"), std::wstring::npos);
  EXPECT_NE(finalText.find(L"\n\n【免责声明】\n"), std::wstring::npos);
  EXPECT_TRUE(finalText.ends_with(L"\n\n")) << "each section followed by an empty line";
  press(final, IDOK);
  EXPECT_EQ(installer->waitForExit(), 1);
  EXPECT_EQ(openedPages(1), std::vector<std::string>{kPublisherPage});

  // The translated files, byte for byte as the patch carries them.
  for (const char* file : {"Data/Config/XUi/controls.xml", "Data/Worlds/Saltmarsh/map_info.xml",
                           "Cindermoor_Data/Managed/Assembly-CSharp.dll"}) {
    EXPECT_EQ(readFile(game_ / file), readFile(std::filesystem::path(PATCH_SOURCE) / file)) << file;
  }
  EXPECT_EQ(readFile(readOnly),
            readFile(std::filesystem::path(PATCH_SOURCE) / "Data/Config/XUi/windows.xml"));
  EXPECT_EQ(::GetFileAttributesW(readOnly.c_str()), FILE_ATTRIBUTE_ARCHIVE)
      << "the read-only target is replaced";
  // qmx has rebuilt both asset files; its folders and the batch are gone.
  SerializedFile resources;
  ASSERT_EQ(resources.load((data() / "resources.assets").wstring()), LoadStatus::Loaded);
  bool translated = false;
  constexpr std::string_view kLocalization = "Localization";
  for (const auto& [key, info] : resources.objects().entries()) {
    TextAssetRecord record;
    const std::optional<fields::ObjectLayout> layout = objectLayout(resources, info);
    if (info.classId == 49 && layout && record.parse(resources.readObjectBytes(info), *layout) &&
        record.name() == Bytes(kLocalization.begin(), kLocalization.end())) {
      translated = record.script() == readFile(std::filesystem::path(PATCH_SOURCE) / "Localization.txt");
    }
  }
  EXPECT_TRUE(translated) << "the Localization text asset carries the translation";
  SerializedFile shared;
  ASSERT_EQ(shared.load((data() / "sharedassets1.assets").wstring()), LoadStatus::Loaded);
  int appended = 0;
  for (const auto& [key, info] : shared.objects().entries()) {
    appended += shared.headerCopy().dataOffset + info.byteStart >= sharedLength;
  }
  EXPECT_EQ(appended, 4 + 5 + 3) << "textures, fonts and script objects point at new data";
  EXPECT_FALSE(std::filesystem::exists(data() / "resources_unpak"));
  EXPECT_FALSE(std::filesystem::exists(data() / "sharedassets1_unpak"));
  EXPECT_FALSE(std::filesystem::exists(data() / "qmx.bat"));
  EXPECT_EQ(temporaryArchives(), archivesBefore_) << "the temporary archive is deleted";

  const LinkFields link = readLink(desktopLink());
  EXPECT_TRUE(sameFile(link.target, game_ / "Cindermoor.exe")) << std::filesystem::path(link.target);
  EXPECT_TRUE(sameFile(link.workingFolder, game_.path())) << std::filesystem::path(link.workingFolder);
}

// A translator's patch, made here and packed by cmkit as the translator runs it, beside its own
// cmpatch.exe and qmx.exe: installed, it leaves exactly the patch's files, the rebuilt asset file
// and the shortcut.
TEST_F(InstallRun, InstallsAPatchThatCmkitPackedFromAFolderItHasNeverSeen) {
  const std::filesystem::path patch = tools_ / "patch";
  const std::string table = "key,english,chinese\r\ntip.0,Rest,\xE6\xAD\x87\xE6\x81\xAF\r\n";  // 歇息
  writeFile(patch / "Cindermoor_Data/resources_unpak/TextAsset/Localization.txt",
            Bytes(table.begin(), table.end()));
  writeFile(patch / L"Data/Config/XUi/界面说明.xml", Bytes{'<', 'x', '/', '>'});
  writeFile(patch / L"Data/Mods/汉化/readme.txt", Bytes{'o', 'k'});
  ASSERT_NO_FATAL_FAILURE(pack(patch, {L"--game", game_.path().wstring()}));
  const FolderContents before = folderContents(game_.path());
  ASSERT_NO_FATAL_FAILURE(installPacked(IDYES));

  FolderContents expected = before;
  for (const auto& [name, bytes] : folderContents(patch)) {
    if (name.rfind("Cindermoor_Data/resources_unpak", 0) != 0) expected[name] = bytes;
  }
  FolderContents after = folderContents(game_.path());
  after.erase("opened-pages.txt");
  expected.erase("opened-pages.txt");
  const Bytes rebuilt = after["Cindermoor_Data/resources.assets"];
  EXPECT_NE(rebuilt, before.at("Cindermoor_Data/resources.assets"));
  expected["Cindermoor_Data/resources.assets"] = rebuilt;
  EXPECT_EQ(after, expected) << "the patch's files and the rebuilt asset file, nothing else";

  SerializedFile resources;
  ASSERT_EQ(resources.load((data() / "resources.assets").wstring()), LoadStatus::Loaded);
  bool translated = false;
  for (const auto& [key, info] : resources.objects().entries()) {
    TextAssetRecord record;
    const std::optional<fields::ObjectLayout> layout = objectLayout(resources, info);
    if (info.classId == 49 && layout && record.parse(resources.readObjectBytes(info), *layout)) {
      translated |= record.script() == Bytes(table.begin(), table.end());
    }
  }
  EXPECT_TRUE(translated) << "the text asset carries the patch's table";
  EXPECT_TRUE(sameFile(readLink(desktopLink()).target, game_ / "Cindermoor.exe"));
}

// 誠 and 謀 end in the byte of a backslash in GBK: folders named with them are made as named,
// and no folder is made of half a name.
TEST_F(InstallRun, MakesFoldersWhoseGbkNamesHoldTheByteOfABackslash) {
  const std::filesystem::path patch = tools_ / "patch";
  writeFile(patch / L"Data/誠謀/誠/謀略.txt", Bytes{'s'});
  writeFile(patch / L"Data/誠謀/讀我.txt", Bytes{'r'});
  ASSERT_NO_FATAL_FAILURE(pack(patch, {}));
  const FolderContents before = folderContents(game_.path());
  ASSERT_NO_FATAL_FAILURE(installPacked(IDNO));

  const FolderContents after = folderContents(game_.path());
  std::set<std::string> added;
  for (const auto& [name, bytes] : after) {
    if (!before.contains(name) && name != "opened-pages.txt") added.insert(name);
  }
  const std::set<std::string> patchEntries = {"Data/誠謀/", "Data/誠謀/誠/", "Data/誠謀/誠/謀略.txt",
                                              "Data/誠謀/讀我.txt"};
  EXPECT_EQ(added, patchEntries) << "exactly the patch's folders and files are new";
  EXPECT_EQ(readFile(game_ / L"Data/誠謀/誠/謀略.txt"), Bytes{'s'});
  EXPECT_EQ(readFile(game_ / L"Data/誠謀/讀我.txt"), Bytes{'r'});
}

TEST_F(InstallRun, UninstallsWhenTheMarkerIsThere) {
  writeFile(game_ / "Cindermoor.h", Bytes{});
  writeFile(desktopLink(), Bytes{'L'});
  auto installer = startAndInstall();

  const HWND final = waitForMessageBox(kPublisherName);
  ASSERT_NE(final, nullptr) << "the final message";
  EXPECT_EQ(::FindWindowW(L"#32770", kShortcutCaption), nullptr) << "no shortcut question";
  EXPECT_EQ(boxText(final).rfind(std::wstring(kTitle) + L"卸载成功!", 0), 0u);
  press(final, IDOK);
  EXPECT_EQ(installer->waitForExit(), 1);
  EXPECT_FALSE(std::filesystem::exists(game_ / "Cindermoor.h"));
  EXPECT_FALSE(std::filesystem::exists(desktopLink()));
  const Bytes wchar = readFile(game_ / "wchar.txt");
  ASSERT_GE(wchar.size(), 4u);
  EXPECT_EQ(Bytes(wchar.begin(), wchar.begin() + 2), (Bytes{0xFF, 0xFE}));
  EXPECT_EQ(Bytes(wchar.end() - 2, wchar.end()), (Bytes{0xFD, 0xFF}));
  EXPECT_EQ(openedPages(1).size(), 1u);
}

TEST_F(InstallRun, RefusesAFolderWithoutTheGame) {
  std::filesystem::remove_all(game_.path());
  std::filesystem::create_directories(game_.path());
  auto installer = startAndInstall();
  closeErrorBox(L"错误", L"请将本程序放到游戏主目录下运行!", 30s);
  EXPECT_EQ(installer->waitForExit(), 1);
  EXPECT_EQ(openedPages(1).size(), 1u);
  std::filesystem::remove(urlLog());
  EXPECT_TRUE(std::filesystem::is_empty(game_.path())) << "nothing created";
}

TEST_F(InstallRun, StopsAtAFileTheGameHoldsOpen) {
  const Bytes worldBefore = readFile(game_ / "Data/Worlds/AshenReach/map_info.xml");
  const HANDLE held = ::CreateFileW((game_ / "Data/Config/XUi/windows.xml").wstring().c_str(), GENERIC_READ,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  auto installer = startAndInstall();
  closeErrorBox(L"汉化失败", L"安装失败! \n请确认游戏进程是否处于打开状态!!", 60s);
  EXPECT_EQ(installer->waitForExit(), 1);
  ::CloseHandle(held);

  EXPECT_EQ(readFile(game_ / "Data/Config/XUi/controls.xml"),
            readFile(std::filesystem::path(PATCH_SOURCE) / "Data/Config/XUi/controls.xml"))
      << "entries before it are written";
  EXPECT_EQ(readFile(game_ / "Data/Worlds/AshenReach/map_info.xml"), worldBefore)
      << "entries after it are not";
  expectTemporaryArchiveLeft();
}

// Alt+F4, the system menu's close and a window's close request all come as IDCANCEL; none of them,
// nor a click on a button, may end the dialog while files are written and qmx runs.
TEST_F(InstallRun, IgnoresCloseRequestsAndButtonsDuringTheRun) {
  auto installer = startAndInstall();
  const HWND dialog = waitForWindow();
  const HWND question = waitForMessageBox(kShortcutCaption);
  ASSERT_NE(question, nullptr) << "the shortcut question, asked during the run";
  ::PostMessageW(dialog, WM_CLOSE, 0, 0);
  ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::PostMessageW(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(::IsWindowVisible(dialog)) << "the window stays during the run";
  press(question, IDNO);

  const HWND final = waitForMessageBox(kPublisherName);
  ASSERT_NE(final, nullptr) << "the final message";
  EXPECT_TRUE(::IsWindowVisible(dialog)) << "the window stays until the final message";
  press(final, IDOK);
  EXPECT_EQ(installer->waitForExit(), 1) << "ended by the run";
  EXPECT_EQ(openedPages(1), std::vector<std::string>{kPublisherPage}) << "opened once";
  EXPECT_FALSE(std::filesystem::exists(desktopLink()));
}

// A patch whose archive is damaged near its end, or carries an entry that the writing cannot
// trust, is refused before the first file is touched.
TEST_F(InstallRun, RefusesADamagedOrInconsistentPayloadAndLeavesTheGameAsItWas) {
  std::vector<ZipEntry> inconsistent;
  for (const auto& [name, bytes] : archiveFiles(installArchive())) {
    inconsistent.push_back({name, std::string(bytes.begin(), bytes.end())});
  }
  inconsistent.push_back({"Data/Config/XUi/controls.xml", "a file with the folder bit", false, 0x10});
  writeZip(tools_ / "inconsistent.zip", inconsistent);
  const FolderContents before = folderContents(game_.path());

  for (const Bytes& archive : {damagedInstallArchive(), readFile(tools_ / "inconsistent.zip")}) {
    std::filesystem::remove(tools_ / "cmpatch.exe");
    auto installer = startAndInstall(installerCarrying(tools_.path(), archive), game_.path());
    closeErrorBox(L"错误", L"解压文件错误", 60s);
    EXPECT_EQ(installer->waitForExit(), 1);
    std::filesystem::remove(urlLog());
    EXPECT_EQ(folderContents(game_.path()), before) << "the game folder as it was";
    expectTemporaryArchiveLeft();
  }
}

// Room on the small drive, a tmpfs that hands out space a page at a time, for every file that the
// install archive holds before the entry, and for half of the entry.
std::uintmax_t roomUpToHalfOf(const std::string& name) {
  constexpr std::uintmax_t kPage = 4096;
  std::uintmax_t room = 0;
  for (const ArchivedEntry& entry : readZip(installArchive())) {
    if (entry.name == name) return room + entry.data.size() / 2;
    room += (entry.data.size() + kPage - 1) / kPage * kPage;
  }
  ADD_FAILURE() << name << " is not in the install archive";
  return room;
}

// The game on a drive with room for the files of the patch up to qmx.exe but not for qmx.exe,
// which an earlier install that was cut short had left.
TEST_F(InstallRun, StopsAtAFullDriveWithEveryFileOldOrPatched) {
  const TempDirectory drive(SMALL_DRIVE);
  const std::filesystem::path game = drive / "Cindermoor";
  std::filesystem::copy(DEMO_GAME, game, std::filesystem::copy_options::recursive);
  writeFile(game / "Cindermoor_Data/resources_unpak/qmx.exe", Bytes(1000, 'q'));
  const FolderContents before = folderContents(game);
  fillDriveLeaving(drive / "filler", roomUpToHalfOf("Cindermoor_Data/resources_unpak/qmx.exe"));

  auto installer = startAndInstall(demoInstaller(), game);
  closeErrorBox(L"汉化失败", L"安装失败! \n写入游戏文件出错，请确认游戏所在分区有足够空间!!", 60s);
  EXPECT_EQ(installer->waitForExit(), 1);
  std::filesystem::remove(urlLog());

  const FolderContents after = folderContents(game);
  expectOldOrPatched(before, after);
  EXPECT_EQ(after.at("Cindermoor_Data/resources_unpak/qmx.exe"), Bytes(1000, 'q')) << "not cut short";
  EXPECT_EQ(after.at("Data/Config/XUi/controls.xml"),
            readFile(std::filesystem::path(PATCH_SOURCE) / "Data/Config/XUi/controls.xml"))
      << "written before the drive was full";
  EXPECT_EQ(after.count("Cindermoor_Data/qmx.bat"), 0u) << "never reached, so qmx never runs";
  EXPECT_EQ(after.size(), before.size() + 7 + 13)
      << "the patch's new folders and files up to qmx.exe, no copy";
  expectTemporaryArchiveLeft();
}

}  // namespace
