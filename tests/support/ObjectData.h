#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Files.h"

// Object data of the handled classes, laid out independently of qmx's records (little-endian,
// padding counted from the start of the object).
namespace testsupport {

struct TextureData {
  std::string name = "Texture";
  std::int32_t width = 4;
  std::int32_t height = 4;
  std::int32_t textureFormat = 10;
  std::int32_t mipValue = 1;
  std::array<std::uint8_t, 3> flags{0, 0, 1};
  std::array<std::int32_t, 8> settings{1, 2, 3, 4, 0x3F800000, 6, 7, 8};
  Bytes imageData = Bytes(8, 0xAB);
};

struct FontData {
  std::string name = "Font";
  Bytes characterRects = {0, 0, 0, 0};            // count, then 44-byte records
  std::array<std::int32_t, 2> newerPair{15, 16};  // format 15 and later
  Bytes kerningPairs = {1, 0, 0, 0, 'A', 0, 'V', 0, 0, 0, 0x80, 0xBF};
  Bytes fontData = Bytes(20, 0xF0);
  std::vector<std::string> fontNames{"Arial", "SimHei"};
  std::int32_t last = 77;
};

Bytes textureObject(const TextureData& texture);
Bytes fontObject(const FontData& font, std::int32_t formatVersion);
Bytes textAssetObject(const std::string& name, const Bytes& script, const std::string& pathName = "");

// A DDS file: the magic, a 124-byte header with the height at offset 12 and the width at 16,
// then the data.
Bytes ddsFile(std::int32_t width, std::int32_t height, const Bytes& data);

// A character-rectangle block of count records, each filled with its index.
Bytes characterRects(std::int32_t count);

}  // namespace testsupport
