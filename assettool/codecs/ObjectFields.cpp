#include "codecs/ObjectFields.h"

#include "serialized/FormatVersion.h"

namespace fields {

std::optional<Bytes> readSized(AssetStream& stream) {
  const std::int32_t length = stream.readInt32();
  if (length < 0 || stream.failed() || !stream.canRead(static_cast<std::uint32_t>(length), 1))
    return std::nullopt;
  return stream.readBytes(static_cast<std::uint32_t>(length));
}

void writeSized(AssetStream& stream, const Bytes& bytes) {
  stream.writeInt32(static_cast<std::int32_t>(bytes.size()));
  stream.writeBytes(bytes);
}

std::optional<Bytes> readCountedBlock(AssetStream& stream, std::uint32_t itemSize) {
  const std::int64_t start = stream.position();
  const std::int32_t count = stream.readInt32();
  if (count < 0 || stream.failed() || !stream.canRead(static_cast<std::uint32_t>(count), itemSize)) {
    return std::nullopt;
  }
  stream.seek(start);
  return stream.readBytes(4 + std::uint64_t{itemSize} * static_cast<std::uint32_t>(count));
}

void writeZeroPadding(AssetStream& stream) {
  while (stream.position() % 4 != 0) stream.writeByte(0);
}

bool endsObject(const AssetStream& stream) {
  const std::int64_t end = stream.position();
  const std::int64_t padded = (end + 3) / 4 * 4;
  return !stream.failed() && end <= stream.size() && stream.size() <= padded;
}

std::uint32_t referenceLength(std::int32_t formatVersion) {
  return format::hasLargePathIds(formatVersion) ? 12 : 8;
}

}  // namespace fields
