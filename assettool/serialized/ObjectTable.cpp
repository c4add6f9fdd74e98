#include "serialized/ObjectTable.h"

#include "serialized/FormatVersion.h"
#include "stream/AssetStream.h"

std::uint32_t ObjectInfo::byteLength(std::int32_t formatVersion) {
  if (format::hasTypeIndex(formatVersion)) return format::hasLargeFilesSupport(formatVersion) ? 24 : 20;
  const std::uint32_t pathIdLength = format::hasLargePathIds(formatVersion) ? 8 : 4;
  const std::uint32_t strippedLength = format::hasStrippedWord(formatVersion) ? 4 : 0;
  return pathIdLength + 4 + 4 + 4 + 2 + 2 + strippedLength;
}

void ObjectInfo::read(AssetStream& stream) {
  const std::int32_t version = context.formatVersion;
  if (format::hasTypeIndex(version)) {
    stream.alignRead();
    entryOffset = stream.position();
    pathId = stream.readInt64();
    byteStart = format::hasLargeFilesSupport(version) ? static_cast<std::uint64_t>(stream.readInt64())
                                                      : static_cast<std::uint32_t>(stream.readInt32());
    byteSize = static_cast<std::uint32_t>(stream.readInt32());
    typeId = stream.readInt32();
    return;
  }
  pathId =
      format::hasLargePathIds(version) ? stream.readInt64() : static_cast<std::uint32_t>(stream.readInt32());
  byteStart = static_cast<std::uint32_t>(stream.readInt32());
  byteSize = static_cast<std::uint32_t>(stream.readInt32());
  typeId = stream.readInt32();
  classId = static_cast<std::int16_t>(stream.readUInt16());
  scriptTypeIndex = stream.readUInt16();
  if (format::hasStrippedWord(version)) strippedWord = stream.readInt32();
}

void ObjectInfo::write(AssetStream& stream) const {
  const std::int32_t version = context.formatVersion;
  if (format::hasTypeIndex(version)) {
    stream.alignWrite();
    stream.writeInt64(pathId);
    if (format::hasLargeFilesSupport(version)) {
      stream.writeInt64(static_cast<std::int64_t>(byteStart));
    } else {
      stream.writeInt32(static_cast<std::int32_t>(byteStart));
    }
    stream.writeInt32(static_cast<std::int32_t>(byteSize));
    stream.writeInt32(typeId);
    return;
  }
  if (format::hasLargePathIds(version)) {
    stream.writeInt64(pathId);
  } else {
    stream.writeInt32(static_cast<std::int32_t>(pathId));
  }
  stream.writeInt32(static_cast<std::int32_t>(byteStart));
  stream.writeInt32(static_cast<std::int32_t>(byteSize));
  stream.writeInt32(typeId);
  stream.writeUInt16(static_cast<std::uint16_t>(classId));
  stream.writeUInt16(scriptTypeIndex);
  if (format::hasStrippedWord(version)) stream.writeInt32(strippedWord);
}

bool ObjectTable::read(AssetStream& stream, const ReadContext& context) {
  context_ = ReadContext{{}, context.formatVersion};
  entries_.clear();
  const std::int32_t count = stream.readInt32();
  if (format::hasLargePathIds(context_.formatVersion)) stream.alignRead();
  if (count > 0 &&
      !stream.canRead(static_cast<std::uint64_t>(count), ObjectInfo::byteLength(context_.formatVersion))) {
    return false;
  }
  bool unique = true;
  for (std::int32_t i = 0; i < count; ++i) {
    ObjectInfo info;
    info.context = context_;
    info.read(stream);
    unique = entries_.emplace(keyOf(info.pathId), info).second && unique;
  }
  return unique && !stream.failed();
}

void ObjectTable::writeInPlace(AssetStream& stream) const {
  for (const auto& [key, info] : entries_) {
    stream.seek(info.entryOffset);
    info.write(stream);
  }
}

void ObjectTable::write(AssetStream& stream) const {
  stream.writeInt32(static_cast<std::int32_t>(entries_.size()));
  if (format::hasLargePathIds(context_.formatVersion)) stream.alignWrite();
  for (const auto& [key, info] : entries_) info.write(stream);
}
