#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class AssetStream;

// The top mip level of a Texture2D's image data as 8-bit R G B A pixels. The engine stores textures
// bottom row first; the image here is top row first, as image editors and screens show it.
namespace texture_decode {

using Rgba = std::array<std::uint8_t, 4>;

struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgba;  // width × height × 4 bytes, top row first
};

enum class Status {
  Decoded,
  FormatUnsupported,
  SizeInvalid,  // not 1 to kLargestSide texels on a side
  DataShort,    // fewer bytes than the top level takes
};

struct Decoded {
  Status status = Status::Decoded;
  Image image;
};

// The engine makes no texture larger on a side; anything larger is not a texture it wrote.
inline constexpr std::int32_t kLargestSide = 16384;

// Every format a DDS file carries for qmx: DXT1, DXT5 and the uncompressed ones.
bool decodes(std::int32_t textureFormat);
// Whether the format stores an alpha channel (DXT1's one-bit alpha counts only where a texel uses it).
bool hasAlpha(std::int32_t textureFormat);

// Bytes beyond the top level (the smaller mip levels) are not looked at.
Decoded decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                       std::span<const std::uint8_t> imageData);

// One compressed block read from the stream: 16 texels, row by row in the order the block stores
// them. A DXT1 block whose first colour is not above its second has three colours and transparent
// black; a DXT5 block's colours are always the four-colour kind.
std::array<Rgba, 16> decodeDxt1Block(AssetStream& stream);
std::array<Rgba, 16> decodeDxt5Block(AssetStream& stream);

}  // namespace texture_decode
