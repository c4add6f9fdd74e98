// The demo game's own objects and the demo patch's table, as the game's program reads them.
#include <gtest/gtest.h>

#include "DemoGame.h"
#include "GameAssets.h"
#include "TextureDecode.h"
#include "demo/GameFolder.h"
#include "support/Files.h"
#include "support/TrueTypeBuilder.h"

namespace {

// Before the patch: the game's own Ashfall screen, its first English tip, in its own EmberSans.
TEST(DemoGameScreen, TheUnpatchedGameShowsItsOwnScreenTipAndFont) {
  testsupport::TempDirectory folder;
  demo::writeDemoGame(folder.path());
  const game::ScreenContent content = game::loadScreenContent(folder.path().wstring());
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  const demo::DemoTexture& ashfall = demo::kTextures[0];
  const testsupport::Bytes data = demo::textureData(demo::Edition::Game, ashfall);
  EXPECT_EQ(content.screen->picture.pixels,
            game::decodeTopLevel(ashfall.format, ashfall.width, ashfall.height, data).picture.pixels);
  EXPECT_EQ(content.screen->tip, L"Embers fade faster in the rain.");
  EXPECT_EQ(content.screen->fontData,
            testsupport::readFile(demo::fontPath(demo::Edition::Game, demo::kFonts[0])));
  EXPECT_EQ(content.screen->fontFamilies.front(), L"DejaVu Sans");
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
