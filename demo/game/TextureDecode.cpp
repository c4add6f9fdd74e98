#include "TextureDecode.h"

namespace game {

DecodedTexture decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                              std::span<const std::uint8_t> imageData) {
  texture_decode::Decoded decoded = texture_decode::decodeTopLevel(textureFormat, width, height, imageData);
  DecodedTexture result;
  result.status = decoded.status;
  if (decoded.status != DecodeStatus::Decoded) return result;
  const texture_decode::Image& image = decoded.image;
  result.picture.width = image.width;
  result.picture.height = image.height;
  result.picture.pixels.reserve(image.rgba.size() / 4);
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    const std::uint8_t* p = &image.rgba[i];
    result.picture.pixels.push_back(static_cast<Pixel>(p[3]) << 24 | static_cast<Pixel>(p[0]) << 16 |
                                    static_cast<Pixel>(p[1]) << 8 | p[2]);
  }
  return result;
}

}  // namespace game
