#pragma once

#include <cstdint>
#include <vector>

#include "codecs/TextureDecode.h"

// Pictures turned into a texture's image data, as qmx takes it from a DDS file: every mip level
// the texture has, each bottom row first as the engine stores it, in the texture's own format.
namespace texture_encode {

using texture_decode::Image;

// DXT1, DXT5 (with libsquish's cluster fit) and every uncompressed format a DDS file carries for
// qmx, converted exactly: a picture decoded from the format encodes to the same bytes.
bool encodes(std::int32_t textureFormat);

// The picture's levels: itself, then each one a downscale of the one before to half its size,
// rounded down and at least 1 on a side, until there are that many. The format must be one that
// encodes.
std::vector<std::uint8_t> encode(std::int32_t textureFormat, const Image& picture, std::uint32_t levels);

// The picture at a smaller size: each pixel the average of the area of the source it covers
// (partly covered pixels weighted by how much), in linear light and weighted by alpha, so that
// neither a dark seam nor the colour of transparent pixels creeps into what is seen.
Image downscale(const Image& source, std::int32_t width, std::int32_t height);

}  // namespace texture_encode
