// cmkit check on an untouched export and on one with the mistakes translators make: each file is
// named with the object it replaces or what is wrong with it, and nothing is written.
#include <gtest/gtest.h>

#include "app/ClassIdTable.h"
#include "commands/CheckCommand.h"
#include "commands/ExportCommand.h"
#include "platform/Platform.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"
#include "support/TrueTypeBuilder.h"

using namespace testsupport;
using namespace std::string_literals;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kFont = 128;

class KitCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    classes_.build(*platform::classTableText());
    AssetDescription d;  // 5.2, format 15
    TextureData atlas;
    atlas.name = "Atlas";
    atlas.textureFormat = 12;  // DXT5, 8 x 4, two levels: 32 + 16 bytes
    atlas.width = 8;
    atlas.height = 4;
    atlas.mipValue = 2;
    atlas.imageData = Bytes(48, 0xD5);
    TextureData chinese = atlas;
    chinese.name = platform::toNarrow(L"载入画面");
    FontData font;
    font.name = "Body";
    font.characterRects = characterRects(2);
    font.fontData = trueTypeFont(U"en");
    d.objects = {
        {1, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(atlas)},
        {2, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(atlas)},
        {3, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(chinese)},
        {4, kFont, kFont, 0xFFFF, 0, fontObject(font, FontLayout::LargeReferences)},
        {5, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Localization", Bytes{'e', 'n'})},
    };
    writeFile(asset(), buildAsset(d).bytes);
    ASSERT_EQ(exportObjects({asset().wstring()}, classes_, [](std::wstring_view) {}), 0);
  }

  std::filesystem::path asset() const { return dir_ / "level.assets"; }
  std::filesystem::path inFolder(const std::string& name) const { return dir_ / "level_unpak" / name; }
  std::vector<std::wstring> check(int expectedStatus, std::optional<std::wstring> text = std::nullopt) {
    std::vector<std::wstring> lines;
    CheckOptions options{asset().wstring()};
    options.text = std::move(text);
    EXPECT_EQ(checkFolder(options, classes_, [&](std::wstring_view line) { lines.emplace_back(line); }),
              expectedStatus);
    return lines;
  }

  TempDirectory dir_;
  ClassIdTable classes_;
};

TEST_F(KitCheck, AnUntouchedExportMatchesAndFitsEveryObject) {
  const Bytes before = readFile(asset());
  const std::vector<std::wstring> expected = {
      L"Font\\Body.rect：替换 Font Body (PathID 4)",
      L"Font\\Body.ttf：替换 Font Body (PathID 4)",
      L"TextAsset\\Localization.txt：替换 TextAsset Localization (PathID 5)",
      L"Texture2D\\Atlas.dds：替换 Texture2D Atlas (PathID 1)",
      L"Texture2D\\Atlas_1.dds：替换 Texture2D Atlas (PathID 2)",
      L"Texture2D\\" + platform::toWide(platform::toNarrow(L"载入画面")) + L".dds：替换 Texture2D " +
          platform::toWide(platform::toNarrow(L"载入画面")) + L" (PathID 3)",
      L"检查完成：6 个文件，0 处问题。",
  };
  EXPECT_EQ(check(0), expected);
  EXPECT_EQ(readFile(asset()), before) << "nothing written";
}

TEST_F(KitCheck, NamesEveryPlantedMistake) {
  std::filesystem::rename(inFolder("Texture2D/Atlas_1.dds"), inFolder("Texture2D/Atlas_2.dds"));  // numbering
  std::filesystem::rename(inFolder("Font/Body.ttf"), inFolder("Font/body.ttf"));  // only Windows finds it
  std::filesystem::rename(inFolder("TextAsset/Localization.txt"), inFolder("TextAsset/Localization.bytes"));
  writeFile(inFolder("Texture2D/Atlass.dds"), ddsFile(8, 4, Bytes(48, 1)));  // misspelt
  Bytes dxt1 = readFile(inFolder("Texture2D/Atlas.dds"));
  dxt1[87] = '1';  // a DXT1 file for a DXT5 texture
  writeFile(inFolder("Texture2D/Atlas.dds"), dxt1);
  Bytes rect = characterRects(2);
  rect.resize(rect.size() - 3);
  writeFile(inFolder("Font/Body.rect"), rect);
  const std::filesystem::path chinese = dir_ / "level_unpak" / "Texture2D";
  for (const auto& entry : std::filesystem::directory_iterator(chinese)) {
    if (entry.path().filename().string().rfind("Atlas", 0) != 0) {
      Bytes dds = readFile(entry.path());
      dds.resize(dds.size() - 16);  // one level short
      writeFile(entry.path(), dds);
    }
  }
  writeFile(inFolder("MonoBehaviour/114/9.bin"), Bytes{});  // an empty stray

  const std::wstring name = platform::toWide(platform::toNarrow(L"载入画面"));
  const std::vector<std::wstring> expected = {
      L"Font\\Body.rect：字符矩形文件长度有误：应为 4 + 44 × 个数 字节（Font Body (PathID 4)）",
#ifdef _WIN32
      L"Font\\Body.ttf：替换 Font Body (PathID 4)",
#else
      L"Font\\body.ttf：没有对应的对象（名称只差大小写：Font\\Body.ttf）",
#endif
      L"MonoBehaviour\\114\\9.bin：没有对应的对象",
      L"TextAsset\\Localization.bytes：没有对应的对象（只差扩展名：TextAsset\\Localization.txt）",
      L"Texture2D\\Atlas.dds：DDS 的像素格式与对象的纹理格式 12 不符（Texture2D Atlas (PathID 1)）",
      L"Texture2D\\Atlas_2.dds：没有对应的对象（只差编号：Texture2D\\Atlas.dds）",
      L"Texture2D\\Atlass.dds：没有对应的对象",
      L"Texture2D\\" + name + L".dds：DDS 数据有 32 字节，8×4、2 层需要 48 字节（Texture2D " + name +
          L" (PathID 3)）",
      L"检查完成：8 个文件，"s + (platform::fileNamesIgnoreCase() ? L"7" : L"8") + L" 处问题。",
  };
  EXPECT_EQ(check(1), expected);
}

// A release the table does not hold, or a file without its version text: qmx keeps the objects,
// and check says which release it does not know.
TEST(KitCheckRelease, NamesAReleaseWhoseLayoutsAreUnknown) {
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  for (const char* engineVersion : {"9999.1.0f1", ""}) {
    TempDirectory dir;
    AssetDescription d;
    d.engineVersion = engineVersion;
    d.objects = {{5, kTextAsset, kTextAsset, 0xFFFF, 0, textAssetObject("Localization", Bytes{'e', 'n'})}};
    writeFile(dir / "level.assets", buildAsset(d).bytes);
    writeFile(dir / "level_unpak" / "TextAsset" / "Localization.txt", Bytes{'z', 'h'});
    std::vector<std::wstring> lines;
    EXPECT_EQ(checkFolder({(dir / "level.assets").wstring()}, classes,
                          [&](std::wstring_view line) { lines.emplace_back(line); }),
              1);
    const std::wstring why = *engineVersion == 0
                                 ? L"文件没有写明引擎版本"
                                 : L"布局表中没有引擎版本 9999.1.0f1，可能比布局表新，或是未收录的测试版";
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], L"TextAsset\\Localization.txt：qmx 会保留对象原数据（未知的对象布局：" + why +
                            L"）（TextAsset Localization (PathID 5)）");
  }
}

TEST_F(KitCheck, EmptyFilesAndAMissingFolderAreNamed) {
  writeFile(inFolder("TextAsset/Localization.txt"), Bytes{});
  const std::vector<std::wstring> lines = check(1);
  EXPECT_EQ(lines[2], L"TextAsset\\Localization.txt：文件为空（TextAsset Localization (PathID 5)）");

  std::filesystem::remove_all(dir_ / "level_unpak");
  EXPECT_EQ(check(1), std::vector<std::wstring>{L"找不到替换文件夹，qmx 不会替换任何对象：" +
                                                (dir_ / "level_unpak").wstring()});
}

// The translation is the folder's own text unless named; a font lacking some of its characters, or
// one that is no font, is a problem.
TEST_F(KitCheck, NamesTheCharactersEachFontLacks) {
  writeFile(inFolder("TextAsset/Localization.txt"), Bytes{'e', 'n', 'd', '\n'});
  std::vector<std::wstring> lines = check(1);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], L"Font\\Body.ttf：缺少 1 个字符，游戏里会显示为方框：d");
  EXPECT_EQ(lines.back(), L"检查完成：6 个文件，1 处问题。");

  const std::filesystem::path text = dir_ / "translation.xml";
  writeFile(text, Bytes{0xFF, 0xFE, 0x70, 0x70, 0xEC, 0x70, 'e', 0});  // 灰烬e, UTF-16
  lines = check(1, text.wstring());
  EXPECT_EQ(lines[lines.size() - 2], L"Font\\Body.ttf：缺少 2 个字符，游戏里会显示为方框：灰烬");

  writeFile(inFolder("Font/Body.ttf"), Bytes(20, 0xF0));
  lines = check(1, text.wstring());
  EXPECT_EQ(lines[lines.size() - 2], L"Font\\Body.ttf：字体文件无法读取，无法检查字符");
}

}  // namespace
