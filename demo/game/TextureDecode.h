#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class AssetStream;

// The top mip level of a Texture2D's image data as 32-bit pixels. The engine stores textures bottom
// row first; the picture here is top row first, as a screen shows it.
namespace game {

// 0xAARRGGBB: the bytes B G R A in memory, as a 32-bit device-independent bitmap holds them.
using Pixel = std::uint32_t;

struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Pixel> pixels;  // width × height, top row first
};

enum class DecodeStatus {
  Decoded,
  FormatUnsupported,
  SizeInvalid,  // not 1 to kLargestSide texels on a side
  DataShort,    // fewer bytes than the top level takes
};

struct DecodedTexture {
  DecodeStatus status = DecodeStatus::Decoded;
  Picture picture;
};

// The engine makes no texture larger on a side; anything larger is not a texture it wrote.
inline constexpr std::int32_t kLargestSide = 16384;

// DXT1 (10), DXT5 (12), RGB24 (3), RGBA32 (4) and ARGB32 (5). Bytes beyond the top level (the
// smaller mip levels) are not looked at.
DecodedTexture decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                              std::span<const std::uint8_t> imageData);

// One compressed block read from the stream: 16 texels, row by row in the order the block stores
// them. A DXT1 block whose first colour is not above its second has three colours and transparent
// black; a DXT5 block's colours are always the four-colour kind.
std::array<Pixel, 16> decodeDxt1Block(AssetStream& stream);
std::array<Pixel, 16> decodeDxt5Block(AssetStream& stream);

}  // namespace game
