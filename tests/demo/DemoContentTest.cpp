// The fonts and textures that the build makes for the demo game and the demo patch.
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <array>
#include <map>
#include <set>

#include "DemoGame.h"
#include "DemoPatch.h"
#include "PayloadTestSupport.h"
#include "fonts/FontCoverage.h"
#include "support/ChildProcess.h"
#include "text/TranslationText.h"
#include "text/UnicodeText.h"

using namespace payloadtest;

namespace {

std::string familyName(const Bytes& font) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return {};
  FT_Face face = nullptr;
  std::string family;
  if (FT_New_Memory_Face(library, font.data(), static_cast<FT_Long>(font.size()), 0, &face) == 0) {
    if (face->family_name != nullptr) family = face->family_name;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return family;
}

std::u32string englishGameCharacters() {
  std::string text;
  for (const auto& row : demo::englishLocalization()) text += row[0] + row[1];
  testsupport::TempDirectory temp;
  EXPECT_TRUE(makeDemoGame(temp / "game"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(temp / "game" / "Data")) {
    if (!entry.is_regular_file()) continue;
    const Bytes bytes = testsupport::readFile(entry.path());
    text.append(bytes.begin(), bytes.end());
  }
  translation::Characters characters;
  translation::addShownCharacters(characters, *translation::decodeText(Bytes(text.begin(), text.end())));
  return std::u32string(characters.begin(), characters.end());
}

}  // namespace

// Each Font object gets a face of the same kind in both editions, each keeping its own family name,
// so a game shows five different faces and the subsetting renamed none.
TEST(DemoFonts, EachFontObjectHasItsOwnFaceInEitherEdition) {
  const std::map<std::string, std::array<std::string, 2>> expected = {
      {"EmberSans", {"DejaVu Sans", "WenQuanYi Micro Hei"}},
      {"EmberSans-Bold", {"DejaVu Sans", "WenQuanYi Zen Hei"}},
      {"MoorSerif", {"DejaVu Serif", "AR PL UMing CN"}},
      {"TallyMono", {"DejaVu Sans Mono", "WenQuanYi Micro Hei Mono"}},
      {"RuneGlyphs", {"DejaVu Serif", "AR PL UKai CN"}},
  };
  std::set<Bytes> distinct;
  for (const demo::DemoFont& f : demo::kFonts) {
    SCOPED_TRACE(f.name);
    const Bytes game = demo::readBytes(demo::fontPath(demo::Edition::Game, f));
    const Bytes patch = demo::readBytes(demo::fontPath(demo::Edition::Patch, f));
    EXPECT_EQ(familyName(game), expected.at(f.name)[0]);
    EXPECT_EQ(familyName(patch), expected.at(f.name)[1]);
    distinct.insert(game);
    distinct.insert(patch);
  }
  EXPECT_EQ(distinct.size(), 2 * demo::kFonts.size());
}

TEST(DemoFonts, TheGameFontsHaveAGlyphForEveryCharacterOfTheEnglishGame) {
  const std::u32string wanted = englishGameCharacters();
  ASSERT_GT(wanted.size(), 40u);
  for (const demo::DemoFont& f : demo::kFonts) {
    const std::optional<std::u32string> missing =
        fonts::missingCharacters(demo::readBytes(demo::fontPath(demo::Edition::Game, f)), wanted);
    ASSERT_TRUE(missing.has_value()) << f.name;
    EXPECT_EQ(unicode::toWide(*missing), L"") << f.name;
  }
}

// What a translator runs before packing: every replacement fits its object and every font has a
// glyph for every character of the translation.
TEST(DemoPatch, PassesCmkitCheckWithTheFontCheckAgainstAFreshDemoGame) {
  testsupport::TempDirectory temp;
  ASSERT_TRUE(makeDemoGame(temp / "game"));
  const std::filesystem::path patch = std::filesystem::path(PAYLOAD_DIR) / "patch";
  for (const char* asset : {"resources", "sharedassets1"}) {
    SCOPED_TRACE(asset);
    const testsupport::ChildResult run = testsupport::runProgram(
        NATIVE_CMKIT,
        {L"check", (temp / "game/Cindermoor_Data" / (std::string(asset) + ".assets")).wstring(),
         (patch / "Cindermoor_Data" / (std::string(asset) + "_unpak")).wstring(), L"--text", patch.wstring()},
        temp.path());
    EXPECT_EQ(run.exitCode, 0) << run.output;
  }
}

// The English game and the patch show the same scenes with other lettering: the two editions of a
// texture are of one size and differ.
TEST(DemoTextures, TheTwoEditionsOfEachTextureDiffer) {
  for (const demo::DemoTexture& t : demo::kTextures) {
    SCOPED_TRACE(t.name);
    EXPECT_NE(demo::textureData(demo::Edition::Game, t), demo::textureData(demo::Edition::Patch, t));
  }
}
