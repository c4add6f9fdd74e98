#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "codecs/TextureDecode.h"

// PNG files as translators edit pictures, read and written with libpng.
namespace png_file {

using texture_decode::Image;

// Why a PNG file could not be read, in libpng's words where it gave some.
struct ReadFailure {
  std::string reason;
};

// The picture as 8-bit R G B A, top row first, whatever the file's colour type and depth (palette,
// grey, 16 bits and transparency are converted, gamma is not applied). Pictures larger than
// texture_decode::kLargestSide on a side are refused before their pixels are allocated.
std::optional<Image> read(const std::vector<std::uint8_t>& file, ReadFailure& failure);

// The file's bytes: RGBA, or RGB when withAlpha is false. Nothing when libpng cannot write it.
std::optional<std::vector<std::uint8_t>> write(const Image& image, bool withAlpha);

}  // namespace png_file
