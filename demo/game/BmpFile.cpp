#include "BmpFile.h"

#include "stream/AssetStream.h"

namespace game {

bool writeBmpFile(const std::wstring& path, const Picture& picture) {
  constexpr std::int32_t kHeadersLength = 14 + 40;
  const std::uint64_t imageLength = std::uint64_t{4} * picture.width * picture.height;
  if (picture.pixels.size() * 4 != imageLength || imageLength > 0x7FFFFFFF - kHeadersLength) return false;
  AssetStream stream;
  if (!stream.create(path)) return false;
  stream.writeByte('B');
  stream.writeByte('M');
  stream.writeInt32(static_cast<std::int32_t>(kHeadersLength + imageLength));
  stream.writeInt32(0);
  stream.writeInt32(kHeadersLength);
  stream.writeInt32(40);
  stream.writeInt32(picture.width);
  stream.writeInt32(picture.height);
  stream.writeUInt16(1);   // planes
  stream.writeUInt16(32);  // bits per pixel
  stream.writeInt32(0);    // uncompressed
  stream.writeInt32(static_cast<std::int32_t>(imageLength));
  stream.writeInt32(2835);  // 72 dots per inch
  stream.writeInt32(2835);
  stream.writeInt32(0);
  stream.writeInt32(0);
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < picture.width; ++x) {
      stream.writeInt32(
          static_cast<std::int32_t>(picture.pixels[static_cast<std::size_t>(y) * picture.width + x]));
    }
  }
  return stream.close();
}

}  // namespace game
