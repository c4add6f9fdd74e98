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
  std::int32_t width;  // in the game
  std::int32_t height;
  std::int32_t patchWidth;  // in the patch's replacement
  std::int32_t patchHeight;
};

inline constexpr std::array<DemoTexture, 4> kTextures = {{
    {"LoadingScreen_Ashfall", 20, texture_format::kDxt1, 32, 16, 64, 32},
    {"LoadingScreen_Moorlight", 21, texture_format::kDxt5, 32, 16, 64, 32},
    {"UIAtlas", 22, texture_format::kArgb32, 16, 16, 32, 32},
    {"LoadingScreen_Hearth", 23, texture_format::kRgb24, 32, 16, 64, 32},
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

// Bytes of image data of a texture of the format and size, without mipmaps.
std::int32_t imageDataSize(std::int32_t format, std::int32_t width, std::int32_t height);

// Image data of the format and size that draws a simple gradient, as a DDS file stores it (B G R
// A order for the uncompressed formats).
Bytes gradientImage(std::int32_t format, std::int32_t width, std::int32_t height, std::uint8_t tint);

// The data of a text-style or tips MonoBehaviour: its GameObject and MonoScript references, the
// enabled flag, the name, then a size, a line spacing and a list of texts.
Bytes scriptObject(const DemoScript& script, std::int32_t fontSize, std::int32_t lineSpacing,
                   const std::vector<std::string>& texts);

// A stand-in TrueType file: an empty table directory, then a line naming the font.
Bytes fontFile(const std::string& name, const std::string& variant);

// The rows of the English localization table (key, text), as the game ships them.
std::vector<std::array<std::string, 2>> englishLocalization();

testsupport::AssetDescription resourcesAsset();
testsupport::AssetDescription sharedAsset();

// Writes the demo game into the folder (created if missing), replacing any files of the same
// names.
void writeDemoGame(const std::filesystem::path& folder);

}  // namespace demo
