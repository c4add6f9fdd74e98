#include "serialized/SerializedFileHeader.h"

#include <algorithm>

#include "serialized/FormatVersion.h"
#include "stream/AssetStream.h"

namespace {
constexpr std::uint32_t kShortHeaderLength = 16;
constexpr std::uint32_t kLongHeaderLength = 20;
constexpr std::uint32_t kLargeFilesHeaderLength = 48;

template <std::size_t N>
void readInto(AssetStream& stream, std::array<std::uint8_t, N>& bytes) {
  const auto read = stream.readBytes(N);
  std::copy(read.begin(), read.end(), bytes.begin());
}
}  // namespace

std::uint32_t SerializedFileHeader::byteLength() const {
  if (format::hasLargeFilesSupport(formatVersion)) return kLargeFilesHeaderLength;
  return format::hasMetadataAfterHeader(formatVersion) ? kLongHeaderLength : kShortHeaderLength;
}

std::uint64_t SerializedFileHeader::metadataStart() const {
  if (format::hasMetadataAfterHeader(formatVersion)) return byteLength();
  // Older files keep the metadata in the last metadataSize bytes and skip its first byte.
  return fileSize - metadataSize + 1;
}

std::uint64_t SerializedFileHeader::metadataEnd() const {
  if (format::hasMetadataAfterHeader(formatVersion)) return std::uint64_t{byteLength()} + metadataSize;
  return fileSize;
}

void SerializedFileHeader::read(AssetStream& stream) {
  stream.setBigEndian(true);
  const auto first = static_cast<std::uint32_t>(stream.readInt32());
  const auto second = static_cast<std::uint32_t>(stream.readInt32());
  formatVersion = stream.readInt32();
  const auto fourth = static_cast<std::uint32_t>(stream.readInt32());
  if (format::hasMetadataAfterHeader(formatVersion)) {
    endianness = stream.readByte();
    readInto(stream, reserved);
  }
  if (format::hasLargeFilesSupport(formatVersion)) {
    legacyWords = {first, second, fourth};
    metadataSize = static_cast<std::uint32_t>(stream.readInt32());
    fileSize = static_cast<std::uint64_t>(stream.readInt64BigEndian());
    dataOffset = static_cast<std::uint64_t>(stream.readInt64BigEndian());
    readInto(stream, largeReserved);
    return;
  }
  metadataSize = first;
  fileSize = second;
  dataOffset = fourth;
}

void SerializedFileHeader::write(AssetStream& stream) const {
  stream.setBigEndian(true);
  const bool large = format::hasLargeFilesSupport(formatVersion);
  stream.writeInt32(static_cast<std::int32_t>(large ? legacyWords[0] : metadataSize));
  stream.writeInt32(static_cast<std::int32_t>(large ? legacyWords[1] : fileSize));
  stream.writeInt32(formatVersion);
  stream.writeInt32(static_cast<std::int32_t>(large ? legacyWords[2] : dataOffset));
  if (format::hasMetadataAfterHeader(formatVersion)) {
    stream.writeByte(endianness);
    stream.writeBytes(reserved);
  }
  if (large) {
    stream.writeInt32(static_cast<std::int32_t>(metadataSize));
    stream.writeInt64BigEndian(static_cast<std::int64_t>(fileSize));
    stream.writeInt64BigEndian(static_cast<std::int64_t>(dataOffset));
    stream.writeBytes(largeReserved);
  }
}
