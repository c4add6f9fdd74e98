#include "TextureDecode.h"

#include "codecs/TextureFormat.h"
#include "stream/AssetStream.h"

namespace game {
namespace {

struct Colour {
  int red = 0;
  int green = 0;
  int blue = 0;
};

Pixel pixelOf(int alpha, const Colour& c) {
  return static_cast<Pixel>(alpha) << 24 | static_cast<Pixel>(c.red) << 16 |
         static_cast<Pixel>(c.green) << 8 | static_cast<Pixel>(c.blue);
}

// The 5-6-5 channels widened to 8 bits by repeating their top bits, so that 0 stays 0 and the
// largest value becomes 255.
Colour expand565(std::uint16_t packed) {
  const int red = packed >> 11;
  const int green = (packed >> 5) & 0x3F;
  const int blue = packed & 0x1F;
  return {red << 3 | red >> 2, green << 2 | green >> 4, blue << 3 | blue >> 2};
}

Colour mix(const Colour& a, int weightA, const Colour& b, int weightB) {
  const int total = weightA + weightB;
  return {(a.red * weightA + b.red * weightB) / total, (a.green * weightA + b.green * weightB) / total,
          (a.blue * weightA + b.blue * weightB) / total};
}

std::array<Pixel, 16> colourBlock(AssetStream& stream, bool mayHaveThreeColours) {
  const std::uint16_t first = stream.readUInt16();
  const std::uint16_t second = stream.readUInt16();
  const auto indices = static_cast<std::uint32_t>(stream.readInt32());
  const Colour a = expand565(first);
  const Colour b = expand565(second);
  std::array<Pixel, 4> palette{pixelOf(255, a), pixelOf(255, b), 0, 0};
  if (first > second || !mayHaveThreeColours) {
    palette[2] = pixelOf(255, mix(a, 2, b, 1));
    palette[3] = pixelOf(255, mix(a, 1, b, 2));
  } else {
    palette[2] = pixelOf(255, mix(a, 1, b, 1));
  }
  std::array<Pixel, 16> texels{};
  for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = palette[(indices >> (2 * i)) & 3];
  return texels;
}

bool isBlockFormat(std::int32_t format) {
  return format == texture_format::kDxt1 || format == texture_format::kDxt5;
}

std::uint64_t bytesPerPixel(std::int32_t format) {
  return format == texture_format::kRgb24 ? 3 : 4;
}

bool decodes(std::int32_t format) {
  return isBlockFormat(format) || format == texture_format::kRgb24 || format == texture_format::kRgba32 ||
         format == texture_format::kArgb32;
}

std::uint64_t topLevelBytes(std::int32_t format, std::int32_t width, std::int32_t height) {
  if (!isBlockFormat(format)) return bytesPerPixel(format) * static_cast<std::uint64_t>(width) * height;
  const std::uint64_t blocks = static_cast<std::uint64_t>((width + 3) / 4) * ((height + 3) / 4);
  return blocks * (format == texture_format::kDxt1 ? 8 : 16);
}

Pixel pixelAt(std::int32_t format, const std::uint8_t* p) {
  switch (format) {
    case texture_format::kRgb24:
      return pixelOf(255, {p[0], p[1], p[2]});
    case texture_format::kRgba32:
      return pixelOf(p[3], {p[0], p[1], p[2]});
    default:
      return pixelOf(p[0], {p[1], p[2], p[3]});
  }
}

void decodeBlocks(std::int32_t format, AssetStream& stream, Picture& picture) {
  for (std::int32_t blockY = 0; blockY < (picture.height + 3) / 4; ++blockY) {
    for (std::int32_t blockX = 0; blockX < (picture.width + 3) / 4; ++blockX) {
      const std::array<Pixel, 16> texels =
          format == texture_format::kDxt1 ? decodeDxt1Block(stream) : decodeDxt5Block(stream);
      for (std::int32_t row = 0; row < 4; ++row) {
        const std::int32_t y = blockY * 4 + row;
        for (std::int32_t column = 0; column < 4; ++column) {
          const std::int32_t x = blockX * 4 + column;
          if (x >= picture.width || y >= picture.height) continue;
          picture.pixels[static_cast<std::size_t>(picture.height - 1 - y) * picture.width + x] =
              texels[row * 4 + column];
        }
      }
    }
  }
}

void decodeRows(std::int32_t format, AssetStream& stream, Picture& picture) {
  const std::uint64_t step = bytesPerPixel(format);
  for (std::int32_t y = 0; y < picture.height; ++y) {
    const std::vector<std::uint8_t> row = stream.readBytes(step * picture.width);
    Pixel* out = &picture.pixels[static_cast<std::size_t>(picture.height - 1 - y) * picture.width];
    for (std::int32_t x = 0; x < picture.width; ++x) out[x] = pixelAt(format, &row[x * step]);
  }
}

}  // namespace

std::array<Pixel, 16> decodeDxt1Block(AssetStream& stream) {
  return colourBlock(stream, true);
}

std::array<Pixel, 16> decodeDxt5Block(AssetStream& stream) {
  const int first = stream.readByte();
  const int second = stream.readByte();
  std::uint64_t indices = 0;
  for (int i = 0; i < 6; ++i) indices |= std::uint64_t{stream.readByte()} << (8 * i);
  std::array<int, 8> alphas{first, second};
  if (first > second) {
    for (int k = 2; k < 8; ++k) alphas[k] = ((8 - k) * first + (k - 1) * second) / 7;
  } else {
    for (int k = 2; k < 6; ++k) alphas[k] = ((6 - k) * first + (k - 1) * second) / 5;
    alphas[6] = 0;
    alphas[7] = 255;
  }
  std::array<Pixel, 16> texels = colourBlock(stream, false);
  for (std::size_t i = 0; i < texels.size(); ++i) {
    const auto alpha = static_cast<Pixel>(alphas[(indices >> (3 * i)) & 7]);
    texels[i] = (texels[i] & 0x00FFFFFF) | alpha << 24;
  }
  return texels;
}

DecodedTexture decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                              std::span<const std::uint8_t> imageData) {
  DecodedTexture result;
  if (!decodes(textureFormat)) {
    result.status = DecodeStatus::FormatUnsupported;
    return result;
  }
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
    result.status = DecodeStatus::SizeInvalid;
    return result;
  }
  const std::uint64_t needed = topLevelBytes(textureFormat, width, height);
  if (imageData.size() < needed) {
    result.status = DecodeStatus::DataShort;
    return result;
  }
  AssetStream stream(imageData.first(needed));
  Picture& picture = result.picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  if (isBlockFormat(textureFormat)) {
    decodeBlocks(textureFormat, stream, picture);
  } else {
    decodeRows(textureFormat, stream, picture);
  }
  return result;
}

}  // namespace game
