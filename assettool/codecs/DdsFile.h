#pragma once

#include <cstdint>
#include <optional>

#include "stream/AssetStream.h"

// The 128 bytes that open a DDS file: "DDS ", then the 124-byte header with its 32-byte pixel
// format, little-endian, as the DirectDraw Surface format publishes them.
namespace dds {

inline constexpr std::size_t kHeaderLength = 128;

struct PixelFormat {
  std::uint32_t flags = 0;
  std::uint32_t fourCC = 0;
  std::uint32_t bitCount = 0;
  std::uint32_t redMask = 0;
  std::uint32_t greenMask = 0;
  std::uint32_t blueMask = 0;
  std::uint32_t alphaMask = 0;

  bool operator==(const PixelFormat&) const = default;
};

struct Header {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t mipCount = 1;
  PixelFormat pixelFormat;
  std::uint32_t pitchOrLinearSize = 0;

  // False when the magic or the two structure sizes are not the published ones.
  bool read(AssetStream& stream);
  void write(AssetStream& stream) const;
};

// How a DDS file carries a texture format's image data, as qmx's import takes it: the DXT
// formats by their codes, the uncompressed ones by bit count and masks (B G R (A) in the file for
// RGB24 and ARGB32, which the import reorders). Nothing for a format no DDS file carries.
std::optional<PixelFormat> pixelFormatOf(std::int32_t textureFormat);

// The header of a DDS file holding a texture of that format, size and number of levels; nothing for
// a format no DDS file carries.
std::optional<Header> headerFor(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                                std::uint32_t mipCount);

// The bytes of image data that width x height pixels in that many levels take in the format,
// each level half the size of the one before (never below one pixel, or one 4 x 4 block).
std::optional<std::uint64_t> imageLength(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                                         std::uint32_t mipCount);

// The levels of a full chain down to 1 x 1.
std::uint32_t fullChainLevels(std::int32_t width, std::int32_t height);

}  // namespace dds
