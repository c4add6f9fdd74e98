#include "serialized/SerializedFileHeader.h"

#include <algorithm>

#include "serialized/FormatVersion.h"
#include "stream/AssetStream.h"

namespace {
constexpr std::uint32_t kShortHeaderLength = 16;
constexpr std::uint32_t kLongHeaderLength = 20;
}  // namespace

std::uint32_t SerializedFileHeader::byteLength() const {
  return format::hasMetadataAfterHeader(formatVersion) ? kLongHeaderLength : kShortHeaderLength;
}

std::uint64_t SerializedFileHeader::metadataStart() const {
  if (format::hasMetadataAfterHeader(formatVersion)) return byteLength();
  // Older files keep the metadata in the last metadataSize bytes and skip its first byte.
  return std::uint64_t{fileSize} - metadataSize + 1;
}

std::uint64_t SerializedFileHeader::metadataEnd() const {
  if (format::hasMetadataAfterHeader(formatVersion)) return std::uint64_t{byteLength()} + metadataSize;
  return fileSize;
}

void SerializedFileHeader::read(AssetStream& stream) {
  stream.setBigEndian(true);
  metadataSize = static_cast<std::uint32_t>(stream.readInt32());
  fileSize = static_cast<std::uint32_t>(stream.readInt32());
  formatVersion = stream.readInt32();
  dataOffset = static_cast<std::uint32_t>(stream.readInt32());
  if (format::hasMetadataAfterHeader(formatVersion)) {
    endianness = stream.readByte();
    const auto bytes = stream.readBytes(reserved.size());
    std::copy(bytes.begin(), bytes.end(), reserved.begin());
  }
}

void SerializedFileHeader::write(AssetStream& stream) const {
  stream.setBigEndian(true);
  stream.writeInt32(static_cast<std::int32_t>(metadataSize));
  stream.writeInt32(static_cast<std::int32_t>(fileSize));
  stream.writeInt32(formatVersion);
  stream.writeInt32(static_cast<std::int32_t>(dataOffset));
  if (format::hasMetadataAfterHeader(formatVersion)) {
    stream.writeByte(endianness);
    stream.writeBytes(reserved);
  }
}
