// cmkit pack on a patch folder made here: the installer it writes carries archives with every
// property that the installer's extraction and its batch rely on, and a patch that would not
// install is refused with nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <functional>

#include "app/ClassIdTable.h"
#include "commands/EncodeCommand.h"
#include "commands/ExportCommand.h"
#include "commands/PackCommand.h"
#include "images/PngFile.h"
#include "pack/PeResources.h"
#include "platform/Platform.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"
#include "support/TestArchives.h"
#include "support/TrueTypeBuilder.h"
#include "text/UnicodeText.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kFont = 128;

// The Windows programs that an installer is made of: this build's on Windows, the Windows build's
// on Linux.
std::filesystem::path windowsProgram(const std::string& name) {
#ifdef _WIN32
  return siblingProgram(name);
#else
  return std::filesystem::path(WINDOWS_BIN) / (name + ".exe");
#endif
}

Bytes utf8(const char8_t* text) {
  const std::u8string view(text);
  return Bytes(view.begin(), view.end());
}

// What a text shows, as UTF-16LE with a byte-order mark: the expected wchar.txt.
Bytes utf16WithMark(const std::u16string& text) {
  Bytes bytes = {0xFF, 0xFE};
  for (char16_t unit : text)
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(unit >> 8)});
  return bytes;
}

const pe::Resource* findResource(const std::vector<pe::Resource>& resources, std::uint16_t id) {
  const auto found = std::find_if(resources.begin(), resources.end(), [&](const pe::Resource& r) {
    return r.type.name == u"DAT" && r.name.id == id;
  });
  return found == resources.end() ? nullptr : &*found;
}

class KitPack : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    // File names are read as cmkit reads them, in the user's locale (the tests' own is "C").
    std::setlocale(LC_ALL, "C.UTF-8");
#endif
    ASSERT_TRUE(std::filesystem::is_regular_file(windowsProgram("cmpatch")))
        << windowsProgram("cmpatch") << " is missing: build the windows preset first";
    classes_.build(*platform::classTableText());
    AssetDescription d;  // 5.2, format 15
    TextureData atlas;
    atlas.name = "Atlas";
    atlas.textureFormat = 12;  // DXT5, 8 x 4, two levels
    atlas.width = 8;
    atlas.height = 4;
    atlas.mipValue = 2;
    atlas.imageData = Bytes(48, 0xD5);
    FontData font;
    font.name = "Body";
    font.fontData = trueTypeFont(U"en");
    d.objects = {
        {1, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(atlas)},
        {2, kFont, kFont, 0xFFFF, 0, fontObject(font, FontLayout::LargeReferences)},
        {3, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Localization", Bytes{'e', 'n'})},
    };
    writeFile(gameAsset(), buildAsset(d).bytes);
    ExportOptions exported;
    exported.assetPath = gameAsset().wstring();
    exported.folder = unpacked().wstring();
    ASSERT_EQ(exportObjects(exported, classes_, [](std::wstring_view) {}), 0);

    // The translation: a text asset and a new file in a new folder, whose name is Chinese. The font
    // has every character of it but three.
    writeFile(unpacked() / "TextAsset/Localization.txt", utf8(u8"灰烬 欢迎𠮷\n"));
    writeFile(patch() / u8"Data/Config/说明.xml", utf8(u8"<a>汉化</a>\r\n"));
    writeFile(unpacked() / "Font/Body.ttf", trueTypeFont(U" /<>a化汉灰烬"));
    writeFile(patch() / "Cindermoor_Data/level0", Bytes{'L', '0'});
  }

  void TearDown() override {
    std::setlocale(LC_ALL, "C");
  }

  std::filesystem::path gameAsset() const {
    return dir_ / "game/Cindermoor_Data/resources.assets";
  }
  std::filesystem::path patch() const {
    return dir_ / "patch";
  }
  std::filesystem::path unpacked() const {
    return patch() / "Cindermoor_Data/resources_unpak";
  }
  std::filesystem::path output() const {
    return dir_ / "out/installer.exe";
  }

  PackOptions options() const {
    PackOptions o;
    o.patch = patch().wstring();
    o.output = output().wstring();
    o.game = (dir_ / "game").wstring();
    o.installer = windowsProgram("cmpatch").wstring();
    o.qmx = windowsProgram("qmx").wstring();
    return o;
  }

  std::vector<std::wstring> pack(const PackOptions& o, int expectedStatus) {
    std::filesystem::create_directories(output().parent_path());
    std::vector<std::wstring> lines;
    EXPECT_EQ(packInstaller(o, classes_, [&](std::wstring_view line) { lines.emplace_back(line); }),
              expectedStatus);
    return lines;
  }

  // The installer's resources, and its two archives written out for minizip's reader.
  std::vector<pe::Resource> packedResources() {
    const auto resources = pe::readResources(readFile(output()));
    EXPECT_TRUE(resources.has_value()) << "the installer is a Windows program";
    if (!resources) return {};
    for (const auto& [id, name] : {std::pair{218, "install.zip"}, std::pair{219, "uninstall.zip"}}) {
      const pe::Resource* archive = findResource(*resources, static_cast<std::uint16_t>(id));
      EXPECT_NE(archive, nullptr) << "DAT " << id;
      if (archive == nullptr) continue;
      EXPECT_EQ(archive->language, 0x0804) << "Chinese (PRC)";
      writeFile(dir_ / name, archive->data);
    }
    return *resources;
  }

  TempDirectory dir_;
  ClassIdTable classes_;
};

TEST_F(KitPack, WritesAnInstallerWhoseArchivesHaveEveryPropertyTheExtractionAndTheBatchRelyOn) {
  const std::vector<std::wstring> lines = pack(options(), 0);
  EXPECT_NE(
      std::find(lines.begin(), lines.end(),
                L"Cindermoor_Data\\resources_unpak\\Font\\Body.ttf：缺少 3 个字符，游戏里会显示为方框：欢迎" +
                    unicode::toWide(U"𠮷")),
      lines.end())
      << "the font's missing characters, exactly";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output().parent_path()),
                          std::filesystem::directory_iterator()),
            1)
      << "only the installer is left in its folder";

  // Every resource of the shipped installer is kept as it was.
  const std::vector<pe::Resource> resources = packedResources();
  const auto shipped = pe::readResources(readFile(windowsProgram("cmpatch")));
  ASSERT_TRUE(shipped.has_value());
  for (const pe::Resource& old : *shipped) {
    if (old.type.name == u"DAT" && (old.name.id == 218 || old.name.id == 219)) continue;
    const bool kept = std::any_of(resources.begin(), resources.end(), [&](const pe::Resource& r) {
      return r.type == old.type && r.name == old.name && r.language == old.language && r.data == old.data;
    });
    EXPECT_TRUE(kept) << "resource " << old.type.id << "/" << old.name.id;
  }

  const std::string explanation = "Data/Config/\xCB\xB5\xC3\xF7.xml";  // 说明, in GBK
  const std::vector<std::string> names = {
      "Cindermoor_Data/",
      "Cindermoor_Data/resources_unpak/",
      "Cindermoor_Data/resources_unpak/Font/",
      "Cindermoor_Data/resources_unpak/TextAsset/",
      "Cindermoor_Data/resources_unpak/Texture2D/",
      "Data/",
      "Data/Config/",
      "Cindermoor_Data/level0",
      "Cindermoor_Data/resources_unpak/Font/Body.ttf",
      "Cindermoor_Data/resources_unpak/TextAsset/Localization.txt",
      "Cindermoor_Data/resources_unpak/Texture2D/Atlas.dds",
      explanation,
      "Cindermoor_Data/resources_unpak/qmx.exe",
      "Cindermoor_Data/resources_unpak/qmx.bat",
      "Cindermoor_Data/qmx.bat",
  };
  const std::vector<CentralRecord> records = centralDirectory(readFile(dir_ / "install.zip"));
  std::vector<std::string> recorded;
  for (const CentralRecord& r : records) {
    SCOPED_TRACE(r.name);
    recorded.push_back(r.name);
    EXPECT_EQ(r.versionMadeBy >> 8, 0) << "made by an MS-DOS packer";
    EXPECT_EQ(r.flags & 0x9, 0) << "no encryption, no data descriptor";
    EXPECT_EQ(r.localFlags, r.flags);
    EXPECT_EQ(r.extraLength, 0) << "no ZIP64 records";
    const bool folder = r.name.ends_with('/');
    EXPECT_EQ(r.method, folder ? 0 : 8);
    EXPECT_EQ(r.externalAttributes, folder ? 0x10u : 0x20u);
    if (folder) {
      EXPECT_EQ(r.compressedSize + r.uncompressedSize, 0u);
    }
  }
  EXPECT_EQ(recorded, names) << "each folder before what it holds, the batch last";

  std::map<std::string, Bytes> files = archiveFiles(dir_ / "install.zip");
  EXPECT_EQ(files[explanation], readFile(patch() / u8"Data/Config/说明.xml"));
  EXPECT_EQ(files["Cindermoor_Data/resources_unpak/qmx.exe"], readFile(windowsProgram("qmx")));
  const std::string importLine =
      ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\resources.assets\r\n";
  const Bytes batch = files["Cindermoor_Data/qmx.bat"];
  EXPECT_EQ(std::string(batch.begin(), batch.end()),
            "@echo off\r\n" + importLine + "\r\nrd /S /Q .\\Cindermoor_Data\\resources_unpak\\");
  Bytes copy = {0xFF, 0xFE};
  for (char c : importLine) copy.insert(copy.end(), {static_cast<std::uint8_t>(c), 0});
  EXPECT_EQ(files["Cindermoor_Data/resources_unpak/qmx.bat"], copy);

  const std::vector<CentralRecord> uninstall = centralDirectory(readFile(dir_ / "uninstall.zip"));
  ASSERT_EQ(uninstall.size(), 1u);
  EXPECT_EQ(uninstall[0].method, 8);
  EXPECT_EQ(uninstall[0].externalAttributes, 0x20u);
  EXPECT_EQ(archiveFiles(dir_ / "uninstall.zip")["wchar.txt"], utf16WithMark(u" /<>a化欢汉灰烬迎𠮷\uFFFD"))
      << "the translation's characters, ascending, then U+FFFD";
}

// A second pack over the first replaces it; the same patch gives the same installer.
TEST_F(KitPack, PacksTheSamePatchToTheSameBytes) {
  pack(options(), 0);
  const Bytes first = readFile(output());
  pack(options(), 0);
  EXPECT_EQ(readFile(output()), first);
}

// A picture in place of the Atlas's DDS file: the archive carries the DDS file encode makes of it,
// in the picture's place, and not the picture; the same patch still packs to the same bytes.
TEST_F(KitPack, EncodesPicturesIntoTheDdsFilesTheArchiveCarries) {
  std::filesystem::remove(unpacked() / "Texture2D/Atlas.dds");
  Bytes picture;
  {
    texture_decode::Image image{8, 4, Bytes(8 * 4 * 4)};
    for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = static_cast<std::uint8_t>(i * 5);
    picture = png_file::write(image, true).value();
  }
  writeFile(unpacked() / "Texture2D/Atlas.png", picture);
  pack(options(), 0);
  const Bytes first = readFile(output());
  packedResources();
  std::map<std::string, Bytes> files = archiveFiles(dir_ / "install.zip");
  EXPECT_FALSE(files.contains("Cindermoor_Data/resources_unpak/Texture2D/Atlas.png"));
  ASSERT_TRUE(files.contains("Cindermoor_Data/resources_unpak/Texture2D/Atlas.dds"));

  ASSERT_EQ(encodePictures({gameAsset().wstring(), unpacked().wstring()}, classes_, [](std::wstring_view) {}),
            0);
  EXPECT_EQ(files["Cindermoor_Data/resources_unpak/Texture2D/Atlas.dds"],
            readFile(unpacked() / "Texture2D/Atlas.dds"))
      << "what encode writes";
  std::filesystem::remove(unpacked() / "Texture2D/Atlas.dds");
  pack(options(), 0);
  EXPECT_EQ(readFile(output()), first);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(output().parent_path()),
                          std::filesystem::directory_iterator()),
            1)
      << "no encoded file is left beside the installer";
}

struct Refusal {
  const char* name;
  std::function<void(const std::filesystem::path& patch, PackOptions&)> plant;
  std::wstring line;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

class KitPackRefusal : public KitPack, public ::testing::WithParamInterface<Refusal> {};

TEST_P(KitPackRefusal, NamesWhyAndWritesNothing) {
  PackOptions o = options();
  GetParam().plant(patch(), o);
  const FolderContents patchBefore = folderContents(patch());
  const std::vector<std::wstring> lines = pack(o, 1);
  const std::wstring& expected = GetParam().line;
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [&](const std::wstring& line) { return line.starts_with(expected); }))
      << "no line " << std::filesystem::path(expected);
  EXPECT_EQ(lines.back(), L"未生成安装程序。");
  EXPECT_TRUE(std::filesystem::is_empty(output().parent_path())) << "nothing written";
  EXPECT_EQ(folderContents(patch()), patchBefore);
}

const std::wstring kUnpacked = L"Cindermoor_Data\\resources_unpak";

INSTANTIATE_TEST_SUITE_P(
    Patches, KitPackRefusal,
    ::testing::Values(
        Refusal{"UninstallMarker", [](auto& p, auto&) { writeFile(p / "Cindermoor.h", Bytes{'x'}); },
                L"补丁不能包含此文件（由打包生成，或是卸载标记）：Cindermoor.h"},
        Refusal{"OwnBatch", [](auto& p, auto&) { writeFile(p / "Cindermoor_Data/QMX.bat", Bytes{'x'}); },
                L"补丁不能包含此文件（由打包生成，或是卸载标记）：Cindermoor_Data\\QMX.bat"},
        Refusal{"OwnQmx",
                [](auto& p, auto&) {
                  writeFile(p / "Cindermoor_Data/resources_unpak/qmx.exe", Bytes{'M', 'Z'});
                },
                L"补丁不能包含此文件（由打包生成，或是卸载标记）：" + kUnpacked + L"\\qmx.exe"},
        Refusal{"NotGbk", [](auto& p, auto&) { writeFile(p / u8"Data/ก.xml", Bytes{'x'}); },
                L"名称含有 GBK 编码无法表示的字符：Data\\ก.xml"},
        Refusal{"TooLongForTheInstaller",
                [](auto& p, auto&) {
                  std::u8string folder, name;
                  for (int i = 0; i < 80; ++i) folder += u8"汉";
                  for (int i = 0; i < 50; ++i) name += u8"汉";
                  writeFile(p / "Data" / folder / (name + u8".xml"), Bytes{'x'});
                },
                L"名称过长，安装程序最多读取 259 字节（GBK）：Data\\" + std::wstring(80, L'汉') + L"\\" +
                    std::wstring(50, L'汉') + L".xml（270 字节）"},
        Refusal{
            "FolderBesideNoAsset",
            [](auto& p, auto&) { writeFile(p / "Cindermoor_Data/level9_unpak/TextAsset/a.txt", Bytes{'x'}); },
            L"游戏文件夹里没有与替换文件夹对应的资源文件：Cindermoor_Data\\level9_unpak"},
        Refusal{"FolderOutsideTheDataFolder",
                [](auto& p, auto& o) {
                  o.game.reset();
                  writeFile(p / "Data/resources_unpak/TextAsset/a.txt", Bytes{'x'});
                },
                L"替换文件夹不在 Cindermoor_Data 文件夹里，旁边不会有资源文件：Data\\resources_unpak"},
        Refusal{"WhatCheckReports",
                [](auto& p, auto&) {
                  writeFile(p / "Cindermoor_Data/resources_unpak/Texture2D/Atlass.dds", Bytes{'x'});
                },
                L"检查未通过，未生成安装程序：" + kUnpacked},
        Refusal{"PictureWithoutTheGame",
                [](auto& p, auto& o) {
                  writeFile(p / "Cindermoor_Data/resources_unpak/Texture2D/Cover.png", Bytes{'x'});
                  o.game.reset();
                },
                L"补丁里有 PNG 图片，须用 --game 指明游戏文件夹，才能按纹理的格式和尺寸编码："
                L"Cindermoor_Data\\resources_unpak\\Texture2D\\Cover.png"},
        Refusal{"PictureBesideItsDds",
                [](auto& p, auto&) {
                  const texture_decode::Image image{8, 4, Bytes(8 * 4 * 4, 0x80)};
                  writeFile(p / "Cindermoor_Data/resources_unpak/Texture2D/Atlas.png",
                            png_file::write(image, true).value());
                },
                L"Texture2D\\Atlas.png：同一纹理既有 .dds 又有 .png，只能留一个"},
        Refusal{"OutputInThePatch", [](auto& p, auto& o) { o.output = (p / "cmpatch.exe").wstring(); },
                L"安装程序不能写在补丁文件夹里，也不能覆盖安装程序模板："},
        Refusal{"InstallerNotAProgram",
                [](auto& p, auto& o) {
                  writeFile(p.parent_path() / "cmpatch.exe", Bytes{'M', 'Z'});
                  o.installer = (p.parent_path() / "cmpatch.exe").wstring();
                },
                L"找不到 Windows 程序："}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
