#include "codecs/TextureDecode.h"

#include "codecs/TextureFormat.h"
#include "stream/AssetStream.h"

namespace texture_decode {
namespace {

using namespace texture_format;

// An n-bit channel widened to 8 bits by repeating its top bits, so that 0 stays 0 and the largest
// value becomes 255.
std::uint8_t widen(unsigned value, int bits) {
  const unsigned shifted = value << (8 - bits);
  return static_cast<std::uint8_t>(shifted | shifted >> bits);
}

Rgba expand565(std::uint16_t packed) {
  return {widen(packed >> 11, 5), widen((packed >> 5) & 0x3F, 6), widen(packed & 0x1F, 5), 255};
}

Rgba mix(const Rgba& a, int weightA, const Rgba& b, int weightB) {
  const int total = weightA + weightB;
  Rgba mixed{0, 0, 0, 255};
  for (int c = 0; c < 3; ++c) mixed[c] = static_cast<std::uint8_t>((a[c] * weightA + b[c] * weightB) / total);
  return mixed;
}

std::array<Rgba, 16> colourBlock(AssetStream& stream, bool mayHaveThreeColours) {
  const std::uint16_t first = stream.readUInt16();
  const std::uint16_t second = stream.readUInt16();
  const auto indices = static_cast<std::uint32_t>(stream.readInt32());
  const Rgba a = expand565(first);
  const Rgba b = expand565(second);
  std::array<Rgba, 4> palette{a, b, Rgba{}, Rgba{}};
  if (first > second || !mayHaveThreeColours) {
    palette[2] = mix(a, 2, b, 1);
    palette[3] = mix(a, 1, b, 2);
  } else {
    palette[2] = mix(a, 1, b, 1);  // and transparent black
  }
  std::array<Rgba, 16> texels{};
  for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = palette[(indices >> (2 * i)) & 3];
  return texels;
}

bool isBlockFormat(std::int32_t format) {
  return format == kDxt1 || format == kDxt5;
}

std::uint64_t bytesPerPixel(std::int32_t format) {
  switch (format) {
    case kAlpha8:
      return 1;
    case kArgb4444:
    case kRgb565:
    case kRgba4444:
      return 2;
    case kRgb24:
      return 3;
    default:
      return 4;
  }
}

std::uint64_t topLevelBytes(std::int32_t format, std::int32_t width, std::int32_t height) {
  if (!isBlockFormat(format)) return bytesPerPixel(format) * static_cast<std::uint64_t>(width) * height;
  const std::uint64_t blocks = static_cast<std::uint64_t>((width + 3) / 4) * ((height + 3) / 4);
  return blocks * (format == kDxt1 ? 8 : 16);
}

// The four 4-bit channels of a 16-bit word, highest first.
std::array<std::uint8_t, 4> nibbles(const std::uint8_t* p) {
  const unsigned word = p[0] | p[1] << 8;
  return {widen(word >> 12, 4), widen((word >> 8) & 0xF, 4), widen((word >> 4) & 0xF, 4),
          widen(word & 0xF, 4)};
}

Rgba pixelAt(std::int32_t format, const std::uint8_t* p) {
  switch (format) {
    case kAlpha8:
      return {255, 255, 255, p[0]};
    case kArgb4444: {
      const auto [a, r, g, b] = nibbles(p);
      return {r, g, b, a};
    }
    case kRgba4444:
      return nibbles(p);
    case kRgb565:
      return expand565(static_cast<std::uint16_t>(p[0] | p[1] << 8));
    case kRgb24:
      return {p[0], p[1], p[2], 255};
    case kRgba32:
      return {p[0], p[1], p[2], p[3]};
    case kBgra32Old:
      return {p[2], p[1], p[0], p[3]};
    default:  // ARGB32
      return {p[1], p[2], p[3], p[0]};
  }
}

void put(Image& image, std::int32_t x, std::int32_t storedRow, const Rgba& pixel) {
  const std::size_t at = (static_cast<std::size_t>(image.height - 1 - storedRow) * image.width + x) * 4;
  std::copy(pixel.begin(), pixel.end(), image.rgba.begin() + static_cast<std::ptrdiff_t>(at));
}

void decodeBlocks(std::int32_t format, AssetStream& stream, Image& image) {
  for (std::int32_t blockY = 0; blockY < (image.height + 3) / 4; ++blockY) {
    for (std::int32_t blockX = 0; blockX < (image.width + 3) / 4; ++blockX) {
      const std::array<Rgba, 16> texels = format == kDxt1 ? decodeDxt1Block(stream) : decodeDxt5Block(stream);
      for (std::int32_t row = 0; row < 4; ++row) {
        for (std::int32_t column = 0; column < 4; ++column) {
          const std::int32_t x = blockX * 4 + column;
          const std::int32_t y = blockY * 4 + row;
          if (x < image.width && y < image.height) put(image, x, y, texels[row * 4 + column]);
        }
      }
    }
  }
}

void decodeRows(std::int32_t format, AssetStream& stream, Image& image) {
  const std::uint64_t step = bytesPerPixel(format);
  for (std::int32_t y = 0; y < image.height; ++y) {
    const std::vector<std::uint8_t> row = stream.readBytes(step * image.width);
    for (std::int32_t x = 0; x < image.width; ++x) put(image, x, y, pixelAt(format, &row[x * step]));
  }
}

}  // namespace

bool decodes(std::int32_t format) {
  switch (format) {
    case kAlpha8:
    case kArgb4444:
    case kRgb24:
    case kRgba32:
    case kArgb32:
    case kRgb565:
    case kDxt1:
    case kDxt5:
    case kRgba4444:
    case kBgra32Old:
      return true;
    default:
      return false;
  }
}

bool hasAlpha(std::int32_t format) {
  return decodes(format) && format != kRgb24 && format != kRgb565 && format != kDxt1;
}

std::array<Rgba, 16> decodeDxt1Block(AssetStream& stream) {
  return colourBlock(stream, true);
}

std::array<Rgba, 16> decodeDxt5Block(AssetStream& stream) {
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
  std::array<Rgba, 16> texels = colourBlock(stream, false);
  for (std::size_t i = 0; i < texels.size(); ++i)
    texels[i][3] = static_cast<std::uint8_t>(alphas[(indices >> (3 * i)) & 7]);
  return texels;
}

Decoded decodeTopLevel(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                       std::span<const std::uint8_t> imageData) {
  Decoded result;
  if (!decodes(textureFormat)) {
    result.status = Status::FormatUnsupported;
    return result;
  }
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
    result.status = Status::SizeInvalid;
    return result;
  }
  const std::uint64_t needed = topLevelBytes(textureFormat, width, height);
  if (imageData.size() < needed) {
    result.status = Status::DataShort;
    return result;
  }
  AssetStream stream(imageData.first(needed));
  Image& image = result.image;
  image.width = width;
  image.height = height;
  image.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  if (isBlockFormat(textureFormat)) {
    decodeBlocks(textureFormat, stream, image);
  } else {
    decodeRows(textureFormat, stream, image);
  }
  return result;
}

}  // namespace texture_decode
