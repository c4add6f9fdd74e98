#include "codecs/DdsFile.h"

#include <algorithm>

#include "codecs/TextureFormat.h"

namespace dds {
namespace {

constexpr std::uint32_t kMagic = 0x20534444;  // "DDS "
constexpr std::uint32_t kHeaderSize = 124;
constexpr std::uint32_t kPixelFormatSize = 32;
constexpr std::size_t kReservedWords = 11;

namespace header_flag {
constexpr std::uint32_t kRequired = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format
constexpr std::uint32_t kPitch = 0x8;
constexpr std::uint32_t kMipCount = 0x20000;
constexpr std::uint32_t kLinearSize = 0x80000;
}  // namespace header_flag

namespace pixel_flag {
constexpr std::uint32_t kAlphaPixels = 0x1;
constexpr std::uint32_t kAlpha = 0x2;
constexpr std::uint32_t kFourCC = 0x4;
constexpr std::uint32_t kRgb = 0x40;
}  // namespace pixel_flag

namespace caps {
constexpr std::uint32_t kComplex = 0x8;
constexpr std::uint32_t kTexture = 0x1000;
constexpr std::uint32_t kMipMap = 0x400000;
}  // namespace caps

constexpr std::uint32_t makeFourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 |
         static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(d) << 24;
}

std::uint32_t readWord(AssetStream& stream) {
  return static_cast<std::uint32_t>(stream.readInt32());
}
void writeWord(AssetStream& stream, std::uint32_t value) {
  stream.writeInt32(static_cast<std::int32_t>(value));
}

// Bytes a pixel takes, or the bytes of a 4 x 4 block for the block-compressed formats.
struct Footprint {
  std::uint32_t bytes;
  bool blocks;
};

std::optional<Footprint> footprintOf(std::int32_t textureFormat) {
  using namespace texture_format;
  switch (textureFormat) {
    case kAlpha8:
      return Footprint{1, false};
    case kArgb4444:
    case kRgb565:
    case kRgba4444:
      return Footprint{2, false};
    case kRgb24:
      return Footprint{3, false};
    case kRgba32:
    case kArgb32:
    case kBgra32Old:
      return Footprint{4, false};
    case kDxt1:
      return Footprint{8, true};
    case kDxt5:
      return Footprint{16, true};
    default:
      return std::nullopt;
  }
}

std::uint64_t levelLength(const Footprint& footprint, std::uint64_t width, std::uint64_t height) {
  if (footprint.blocks) return ((width + 3) / 4) * ((height + 3) / 4) * footprint.bytes;
  return width * height * footprint.bytes;
}

}  // namespace

bool Header::read(AssetStream& stream) {
  const bool magic = readWord(stream) == kMagic;
  const bool size = readWord(stream) == kHeaderSize;
  const std::uint32_t flags = readWord(stream);
  height = stream.readInt32();
  width = stream.readInt32();
  pitchOrLinearSize = readWord(stream);
  readWord(stream);  // depth
  const std::uint32_t levels = readWord(stream);
  mipCount = (flags & header_flag::kMipCount) != 0 ? std::max<std::uint32_t>(levels, 1) : 1;
  for (std::size_t i = 0; i < kReservedWords; ++i) readWord(stream);
  const bool formatSize = readWord(stream) == kPixelFormatSize;
  pixelFormat.flags = readWord(stream);
  pixelFormat.fourCC = readWord(stream);
  pixelFormat.bitCount = readWord(stream);
  pixelFormat.redMask = readWord(stream);
  pixelFormat.greenMask = readWord(stream);
  pixelFormat.blueMask = readWord(stream);
  pixelFormat.alphaMask = readWord(stream);
  for (int i = 0; i < 5; ++i) readWord(stream);  // capabilities and the last reserved word
  return !stream.failed() && magic && size && formatSize;
}

void Header::write(AssetStream& stream) const {
  const bool compressed = (pixelFormat.flags & pixel_flag::kFourCC) != 0;
  const bool levels = mipCount > 1;
  writeWord(stream, kMagic);
  writeWord(stream, kHeaderSize);
  writeWord(stream, header_flag::kRequired | (compressed ? header_flag::kLinearSize : header_flag::kPitch) |
                        (levels ? header_flag::kMipCount : 0));
  stream.writeInt32(height);
  stream.writeInt32(width);
  writeWord(stream, pitchOrLinearSize);
  writeWord(stream, 0);  // depth
  writeWord(stream, mipCount);
  for (std::size_t i = 0; i < kReservedWords; ++i) writeWord(stream, 0);
  writeWord(stream, kPixelFormatSize);
  for (std::uint32_t word : {pixelFormat.flags, pixelFormat.fourCC, pixelFormat.bitCount, pixelFormat.redMask,
                             pixelFormat.greenMask, pixelFormat.blueMask, pixelFormat.alphaMask}) {
    writeWord(stream, word);
  }
  writeWord(stream, caps::kTexture | (levels ? caps::kComplex | caps::kMipMap : 0));
  for (int i = 0; i < 4; ++i) writeWord(stream, 0);  // more capabilities, the last reserved word
}

std::optional<Header> headerFor(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                                std::uint32_t mipCount) {
  const std::optional<PixelFormat> pixelFormat = pixelFormatOf(textureFormat);
  const std::optional<Footprint> footprint = footprintOf(textureFormat);
  if (!pixelFormat || !footprint || width <= 0 || height <= 0) return std::nullopt;
  Header header{width, height, std::max<std::uint32_t>(mipCount, 1), *pixelFormat, 0};
  // The first level's size for the block formats, a row's bytes for the others.
  header.pitchOrLinearSize = static_cast<std::uint32_t>(
      footprint->blocks
          ? levelLength(*footprint, static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))
          : static_cast<std::uint64_t>(width) * footprint->bytes);
  return header;
}

std::optional<PixelFormat> pixelFormatOf(std::int32_t textureFormat) {
  using namespace texture_format;
  using namespace pixel_flag;
  switch (textureFormat) {
    case kAlpha8:
      return PixelFormat{kAlpha, 0, 8, 0, 0, 0, 0xFF};
    case kArgb4444:
      return PixelFormat{kRgb | kAlphaPixels, 0, 16, 0x0F00, 0x00F0, 0x000F, 0xF000};
    case kRgb24:
      return PixelFormat{kRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0};
    case kRgba32:
      return PixelFormat{kRgb | kAlphaPixels, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    case kArgb32:
    case kBgra32Old:
      return PixelFormat{kRgb | kAlphaPixels, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    case kRgb565:
      return PixelFormat{kRgb, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
    case kDxt1:
      return PixelFormat{kFourCC, makeFourCC('D', 'X', 'T', '1'), 0, 0, 0, 0, 0};
    case kDxt5:
      return PixelFormat{kFourCC, makeFourCC('D', 'X', 'T', '5'), 0, 0, 0, 0, 0};
    case kRgba4444:
      return PixelFormat{kRgb | kAlphaPixels, 0, 16, 0xF000, 0x0F00, 0x00F0, 0x000F};
    default:
      return std::nullopt;
  }
}

std::optional<std::uint64_t> imageLength(std::int32_t textureFormat, std::int32_t width, std::int32_t height,
                                         std::uint32_t mipCount) {
  const std::optional<Footprint> footprint = footprintOf(textureFormat);
  if (!footprint || width <= 0 || height <= 0) return std::nullopt;
  std::uint64_t w = static_cast<std::uint64_t>(width);
  std::uint64_t h = static_cast<std::uint64_t>(height);
  std::uint64_t total = 0;
  for (std::uint32_t level = 0; level < mipCount && level < 32; ++level) {
    total += levelLength(*footprint, w, h);
    w = std::max<std::uint64_t>(w / 2, 1);
    h = std::max<std::uint64_t>(h / 2, 1);
  }
  return total;
}

std::uint32_t fullChainLevels(std::int32_t width, std::int32_t height) {
  std::uint32_t levels = 1;
  for (std::int32_t size = std::max(width, height); size > 1; size /= 2) ++levels;
  return levels;
}

}  // namespace dds
