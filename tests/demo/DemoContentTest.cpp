// The fonts and textures that the build makes for the demo game and the demo patch.
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "DemoGame.h"
#include "DemoPatch.h"
#include "PayloadTestSupport.h"
#include "codecs/TextureDecode.h"
#include "codecs/TextureFormat.h"
#include "fonts/FontCoverage.h"
#include "images/PngFile.h"
#include "images/TextureEncode.h"
#include "support/ChildProcess.h"
#include "support/PictureQuality.h"
#include "text/TranslationText.h"
#include "text/UnicodeText.h"

using namespace payloadtest;

using testsupport::psnr;

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
      {"EmberSans", {"DejaVu Sans", "WenQuanYi Zen Hei"}},
      {"EmberSans-Bold", {"DejaVu Sans", "WenQuanYi Micro Hei"}},
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

namespace {

// The picture upside down: a DDS file stores the top row first, the engine the bottom row, so the
// decoder reads a DDS file's blocks as the picture turned over.
texture_decode::Image turnedOver(const texture_decode::Image& image) {
  texture_decode::Image turned = image;
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
  for (std::int32_t y = 0; y < image.height; ++y) {
    std::copy_n(image.rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                turned.rgba.begin() + static_cast<std::ptrdiff_t>((image.height - 1 - y) * rowBytes));
  }
  return turned;
}

}  // namespace

// The kit's DXT encoder (libsquish's cluster fit) comes at least as close to the patch's loading
// screens as ImageMagick's, which made the demo's DXT textures before; both are measured as PSNR
// of the decoded top level against the picture.
TEST(DemoTextures, TheKitsDxtEncoderComesAtLeastAsCloseAsImageMagicks) {
  for (const demo::DemoTexture& t : demo::kTextures) {
    if (t.format != texture_format::kDxt1 && t.format != texture_format::kDxt5) continue;
    SCOPED_TRACE(t.name);
    png_file::ReadFailure failure;
    texture_decode::Image picture =
        *png_file::read(testsupport::readFile(demo::picturePath(demo::Edition::Patch, t)), failure);
    const bool alpha = t.format == texture_format::kDxt5;
    if (!alpha) {
      for (std::size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
    }
    testsupport::TempDirectory temp;
    const testsupport::ChildResult convert = testsupport::runProgram(
        "/usr/bin/convert",
        {demo::picturePath(demo::Edition::Patch, t).wstring(), L"-alpha", alpha ? L"set" : L"off", L"-define",
         alpha ? L"dds:compression=dxt5" : L"dds:compression=dxt1", L"-define", L"dds:mipmaps=0",
         (temp / "im.dds").wstring()},
        temp.path());
    ASSERT_EQ(convert.exitCode, 0) << convert.output;
    const Bytes dds = testsupport::readFile(temp / "im.dds");
    ASSERT_GT(dds.size(), 128u);
    const texture_decode::Image imageMagick =
        texture_decode::decodeTopLevel(t.format, t.width, t.height, Bytes(dds.begin() + 128, dds.end()))
            .image;
    const texture_decode::Image kit =
        texture_decode::decodeTopLevel(t.format, t.width, t.height,
                                       texture_encode::encode(t.format, picture, 1))
            .image;
    const int channels = alpha ? 4 : 3;
    const double ours = psnr(picture, kit, channels);
    const double theirs = psnr(turnedOver(picture), imageMagick, channels);
    std::printf("%s: the kit %.2f dB, ImageMagick %.2f dB\n", t.name, ours, theirs);
    EXPECT_GE(ours, theirs);
  }
}
