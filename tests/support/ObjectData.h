#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Files.h"

// Object data of the handled classes, laid out independently of qmx's records (little-endian,
// padding counted from the start of the object).
namespace testsupport {

// The engine's layouts of a Texture2D: a bool for a full mip chain (3.5 to 5.1), a count of mip
// levels (5.2), and the count with a reference to pixels in a resource file (5.3 and 5.4).
enum class TextureLayout { MipBool, MipCount, StreamData };

struct TextureData {
  std::string name = "Texture";
  std::int32_t width = 4;
  std::int32_t height = 4;
  std::int32_t textureFormat = 10;
  std::int32_t mipValue = 1;                   // the count of levels (MipCount and StreamData)
  std::array<std::uint8_t, 3> flags{0, 0, 1};  // MipBool: full chain, readable, read allowed
  std::array<std::int32_t, 8> settings{1, 2, 3, 4, 0x3F800000, 6, 7, 8};
  Bytes imageData = Bytes(8, 0xAB);
  std::uint32_t streamOffset = 0;  // StreamData only
  std::uint32_t streamSize = 0;
  std::string streamPath;
};

// The engine's layouts of a Font: references of 8 bytes (4.x, format 9), of 12 bytes (5.0 to 5.3,
// formats 14 and 15), and of 12 bytes with a descent (5.4).
enum class FontLayout { SmallReferences, LargeReferences, WithDescent };

struct FontData {
  std::string name = "Font";
  Bytes characterRects = {0, 0, 0, 0};  // count, then 44-byte records
  Bytes kerningPairs = {1, 0, 0, 0, 'A', 0, 'V', 0, 0, 0, 0x80, 0xBF};
  Bytes fontData = Bytes(20, 0xF0);
  std::vector<std::string> fontNames{"Arial", "SimHei"};
  std::int32_t fallbackFonts = 1;
  std::int32_t renderingMode = 77;
};

// As the engine writes them, padding included; a 5.2 texture (MipCount) without the padding after
// its image data, as qmx writes it.
Bytes textureObject(const TextureData& texture, TextureLayout layout = TextureLayout::MipCount);
Bytes fontObject(const FontData& font, FontLayout layout);
Bytes textAssetObject(const std::string& name, const Bytes& script, const std::string& pathName = "");

// A DDS file of one level: the magic, a 124-byte header with the height at offset 12, the width
// at 16 and an empty pixel format, then the data.
Bytes ddsFile(std::int32_t width, std::int32_t height, const Bytes& data);

// A character-rectangle block of count records, each filled with its index: 44 bytes each, or 40
// for the grid fonts of 3.5 and before, whose rectangles have no flipped flag.
Bytes characterRects(std::int32_t count, std::size_t recordLength = 44);

}  // namespace testsupport
