#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/SerializedFileBuilder.h"

// The demo game: a small stand-in for an installed copy of Cindermoor with the files the patch
// touches. Its objects are described here once, for the generator, the payload maker and the
// tests.
namespace demo {

using testsupport::Bytes;

namespace texture_format {
constexpr std::int32_t kRgb24 = 3;
constexpr std::int32_t kArgb32 = 5;
constexpr std::int32_t kDxt1 = 10;
constexpr std::int32_t kDxt5 = 12;
}  // namespace texture_format

struct DemoTexture {
  const char* name;
  std::int64_t pathId;
  std::int32_t format;
  std::int32_t width;  // the game's and the patch's alike
  std::int32_t height;
  std::uint32_t mipCount;
};

// Real sizes, so that the demo patch is as large as a real one: the loading screens of a full-HD
// game, each with its full mip chain, and a 2048 x 2048 UI atlas.
inline constexpr std::array<DemoTexture, 4> kTextures = {{
    {"LoadingScreen_Ashfall", 20, texture_format::kDxt1, 1920, 1080, 11},
    {"LoadingScreen_Moorlight", 21, texture_format::kDxt5, 1920, 1080, 11},
    {"UIAtlas", 22, texture_format::kArgb32, 2048, 2048, 1},
    {"LoadingScreen_Hearth", 23, texture_format::kRgb24, 1920, 1080, 11},
}};

struct DemoFont {
  const char* name;
  std::int64_t pathId;
};

inline constexpr std::array<DemoFont, 5> kFonts = {{
    {"EmberSans", 30},
    {"EmberSans-Bold", 31},
    {"MoorSerif", 32},
    {"TallyMono", 33},
    {"RuneGlyphs", 34},
}};

struct DemoScript {
  const char* name;
  std::int64_t pathId;
  std::int32_t typeId;
  std::int64_t scriptPathId;  // the MonoScript it runs
};

inline constexpr std::array<DemoScript, 3> kScripts = {{
    {"MenuTextStyle", 688, -1, 40},
    {"HudTextStyle", 717, -1, 40},
    {"LoadingTips", 710, -9, 41},
}};

inline constexpr std::array<const char*, 2> kWorlds = {"AshenReach", "Saltmarsh"};

inline constexpr const char* kLocalizationName = "Localization";

// The fonts and textures are made at build time from Debian's fonts and by the project's artwork
// generators (demo/content: make_fonts.py, make_textures.py), once as the English game has them and
// once as the patch has them.
enum class Edition { Game, Patch };

// A font's TrueType file.
std::filesystem::path fontPath(Edition edition, const DemoFont& font);

// A texture's picture, as drawn.
std::filesystem::path picturePath(Edition edition, const DemoTexture& texture);

// A texture's image data as a DDS file holds it after its header: every mip level, B G R (A) for
// the uncompressed formats, encoded by the kit from the edition's picture. Throws unless the
// picture is one of the texture's size.
Bytes textureData(Edition edition, const DemoTexture& texture);

Bytes readBytes(const std::filesystem::path& path);

// The data of a text-style or tips MonoBehaviour: its GameObject and MonoScript references, the
// enabled flag, the name, then a size, a line spacing and a list of texts.
Bytes scriptObject(const DemoScript& script, std::int32_t fontSize, std::int32_t lineSpacing,
                   const std::vector<std::string>& texts);

// The rows of the English localization table (key, text), as the game ships them.
std::vector<std::array<std::string, 2>> englishLocalization();

testsupport::AssetDescription resourcesAsset();
testsupport::AssetDescription sharedAsset();

// Writes the demo game into the folder (created if missing), replacing any files of the same
// names.
void writeDemoGame(const std::filesystem::path& folder);

}  // namespace demo
