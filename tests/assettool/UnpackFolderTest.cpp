#include "app/UnpackFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(UnpackFolder, LiesBesideTheAssetFileWithoutItsExtension) {
  EXPECT_EQ(UnpackFolder(L"data\\level.assets").path(), L"data\\level_unpak");
  EXPECT_EQ(UnpackFolder(L"data\\level").path(), L"data\\level_unpak");
  EXPECT_EQ(UnpackFolder(L"data.old\\level").path(), L"data.old\\level_unpak");
  EXPECT_EQ(UnpackFolder(L".\\Cindermoor_Data\\sharedassets1.assets").path(),
            L".\\Cindermoor_Data\\sharedassets1_unpak");
}

TEST(UnpackFolder, EqualNamesAreNumberedInRunOrderPerClassFolder) {
  UnpackFolder folder(L"d\\level.assets");
  const std::wstring textures = folder.classFolder(L"Texture2D");
  const std::wstring fonts = folder.classFolder(L"Font");
  EXPECT_EQ(folder.replacementPath(textures, L"Atlas", L"dds"), L"d\\level_unpak\\Texture2D\\Atlas.dds");
  EXPECT_EQ(folder.replacementPath(fonts, L"Atlas", L"ttf"), L"d\\level_unpak\\Font\\Atlas.ttf");
  EXPECT_EQ(folder.replacementPath(textures, L"Atlas", L"dds"), L"d\\level_unpak\\Texture2D\\Atlas_1.dds");
  EXPECT_EQ(folder.replacementPath(textures, L"Atlas", L"dds"), L"d\\level_unpak\\Texture2D\\Atlas_2.dds");
}

TEST(UnpackFolder, ANameEndingInANumberTakesItsPathFirst) {
  UnpackFolder folder(L"level.assets");
  const std::wstring textures = folder.classFolder(L"Texture2D");
  folder.replacementPath(textures, L"Atlas", L"dds");
  EXPECT_EQ(folder.replacementPath(textures, L"Atlas_1", L"dds"), L"level_unpak\\Texture2D\\Atlas_1.dds");
  EXPECT_EQ(folder.replacementPath(textures, L"Atlas", L"dds"), L"level_unpak\\Texture2D\\Atlas_2.dds");
}

TEST(UnpackFolder, ManyEqualNamesAreNumberedOneAfterAnother) {
  UnpackFolder folder(L"level.assets");
  const std::wstring fonts = folder.classFolder(L"Font");
  EXPECT_EQ(folder.replacementPath(fonts, L"a", L"ttf"), L"level_unpak\\Font\\a.ttf");
  for (int k = 1; k < 500; ++k) {
    if (k == 7) {
      EXPECT_EQ(folder.replacementPath(fonts, L"a_9", L"ttf"), L"level_unpak\\Font\\a_9.ttf");
    }
    const std::wstring expected = L"level_unpak\\Font\\a_" + std::to_wstring(k >= 9 ? k + 1 : k) + L".ttf";
    ASSERT_EQ(folder.replacementPath(fonts, L"a", L"ttf"), expected) << k;
  }
}

TEST(UnpackFolder, MonoBehavioursAreFoundByTypeIdAndLowPathIdWord) {
  const UnpackFolder folder(L"level.assets");
  EXPECT_EQ(folder.monoBehaviourPath(L"MonoBehaviour", -1, (std::int64_t{1} << 32) + 2),
            L"level_unpak\\MonoBehaviour\\-1\\2.bin");
  EXPECT_EQ(folder.monoBehaviourPath(L"MonoBehaviour", -9, 0xFFFFFFFFll),
            L"level_unpak\\MonoBehaviour\\-9\\-1.bin");
}

TEST(UnpackFolder, NamesMayReachIntoSubfoldersButNotOutOfTheClassFolder) {
  EXPECT_TRUE(UnpackFolder::staysInClassFolder(L"ui\\Atlas"));
  EXPECT_TRUE(UnpackFolder::staysInClassFolder(L"a..b"));
  EXPECT_TRUE(UnpackFolder::staysInClassFolder(L""));
  for (const wchar_t* name :
       {L"..\\..\\x", L"ui\\..\\..\\x", L"..", L"\\abs", L"/abs", L"C:x", L"a/../../b"}) {
    EXPECT_FALSE(UnpackFolder::staysInClassFolder(name)) << testing::PrintToString(std::wstring(name));
  }
}

}  // namespace
