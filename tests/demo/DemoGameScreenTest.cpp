// The demo game's own objects and the demo patch's table, as the game's program reads them.
#include <gtest/gtest.h>

#include "DemoGame.h"
#include "GameAssets.h"
#include "demo/GameFolder.h"
#include "support/Files.h"
#include "support/TrueTypeBuilder.h"

namespace {

TEST(DemoGameScreen, AshfallAndTheFirstEnglishTipOnceItsFontIsReal) {
  testsupport::TempDirectory folder;
  demo::writeDemoGame(folder.path());
  testsupport::AssetDescription shared = demo::sharedAsset();
  for (testsupport::ObjectDescription& object : shared.objects) {
    if (object.pathId != demo::kFonts[0].pathId) continue;
    testsupport::FontData font;
    font.name = demo::kFonts[0].name;
    font.fontData = testsupport::trueTypeFont(U"Embers", game_test::kPlantedFamily);
    object.data = testsupport::fontObject(font, testsupport::FontLayout::LargeReferences);
  }
  testsupport::writeFile(folder / "Cindermoor_Data" / "sharedassets1.assets",
                         testsupport::buildAsset(shared).bytes);

  const game::ScreenContent content = game::loadScreenContent(folder.path().wstring());
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  const game::Picture& picture = content.screen->picture;
  ASSERT_EQ(picture.width, 32);
  ASSERT_EQ(picture.height, 16);
  // The gradient's blocks by their place in the stored image: (0, 3) at the top, (0, 0) at the bottom.
  EXPECT_EQ(picture.pixels.front(), 0xFF184931u);
  EXPECT_EQ(picture.pixels[15 * 32], 0xFF180C18u);
  EXPECT_EQ(content.screen->tip, L"Embers fade faster in the rain.");
}

TEST(DemoGameScreen, ThePatchsTableGivesItsFirstTranslatedTip) {
  const testsupport::Bytes table =
      testsupport::readFile(std::filesystem::path(PATCH_SOURCE) / "Localization.txt");
  game_test::Game game = game_test::wholeGame();
  game.texts[0].bytes = table;
  testsupport::TempDirectory folder;
  game_test::writeGame(folder.path(), game);
  const game::ScreenContent content = game::loadScreenContent(folder.path().wstring());
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  EXPECT_EQ(content.screen->tip, L"余烬在雨中熄灭得更快。");
}

}  // namespace
