#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codecs/TextureDecode.h"

// The top mip level of a Texture2D's image data as the 32-bit pixels of a device-independent bitmap,
// top row first, as a screen shows it.
namespace game {

// 0xAARRGGBB: the bytes B G R A in memory, as a 32-bit device-independent bitmap holds them.
using Pixel = std::uint32_t;

struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Pixel> pixels;  // width × height, top row first
};

using DecodeStatus = texture_decode::Status;

struct DecodedTexture {
  DecodeStatus status = DecodeStatus::Decoded;
  Picture picture;
};

// The formats the core decodes, as the screen's pixels.
DecodedTexture decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                              std::span<const std::uint8_t> imageData);

}  // namespace game
