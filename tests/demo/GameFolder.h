#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/ObjectData.h"

// Game folders for the demo game's program, laid out in code: sharedassets1.assets with textures and
// fonts, resources.assets with text assets, in the layout of one engine release.
namespace game_test {

using testsupport::Bytes;

struct Release {
  std::string engineVersion;
  std::int32_t formatVersion;
  testsupport::TextureLayout texture;
  testsupport::FontLayout font;
};

inline const Release k4x{"4.6.1f1", 9, testsupport::TextureLayout::MipBool,
                         testsupport::FontLayout::SmallReferences};
inline const Release k52{"5.2.3f1", 15, testsupport::TextureLayout::MipCount,
                         testsupport::FontLayout::LargeReferences};
inline const Release k53{"5.3.4f1", 15, testsupport::TextureLayout::StreamData,
                         testsupport::FontLayout::LargeReferences};

struct NamedBytes {
  std::string name;
  Bytes bytes;
};

struct Game {
  Release release = k52;
  std::vector<testsupport::TextureData> textures;  // in path-ID order
  std::vector<NamedBytes> fonts;                   // name and font file
  std::vector<NamedBytes> texts;                   // name and text
  std::map<std::string, Bytes> otherFiles;         // by path below Cindermoor_Data
};

// An RGB24 texture of the given 0xRRGGBB pixels, top row first (stored bottom row first).
testsupport::TextureData rgbTexture(const std::string& name, std::int32_t width, std::int32_t height,
                                    const std::vector<std::uint32_t>& topRowFirst);

Bytes textBytes(std::string_view text);

// The family of the planted fonts, and a game that reads whole: a 2x2 LoadingScreen_Ashfall, a
// patched localization table whose tip.0 is tipText, and EmberSans planted with every character of
// tipCharacters.
inline constexpr char kPlantedFamily[] = "Ember Probe";
Game wholeGame(const std::string& tipText = "余烬熄灭", const std::u32string& tipCharacters = U"余烬熄灭");

// The top row (0x203060, 0x304070) and the bottom row (0x602020, 0x703030) of wholeGame's picture.
inline const std::vector<std::uint32_t> kWholePicture = {0x203060, 0x304070, 0x602020, 0x703030};

// A side x side picture (side even) of four quadrants in the colours of kWholePicture, in its order:
// stretched onto a screen, each keeps its colour away from the edges between them.
std::vector<std::uint32_t> quadrants(int side);

// The demo game's stand-in font bytes: a table directory with no tables, then a line of text.
Bytes standInFont();

// Where the table of the tag lies in a font that trueTypeFont made: offset and length.
struct TablePlace {
  std::size_t offset = 0;
  std::size_t length = 0;
};
TablePlace tableOf(const Bytes& font, const std::string& tag);

// A font of the planted font's name table alone: its family reads, but there is no font to load.
Bytes nameTableOnly(const std::string& family);

void writeGame(const std::filesystem::path& folder, const Game& game);

}  // namespace game_test
