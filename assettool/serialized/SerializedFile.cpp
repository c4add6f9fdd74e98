#include "serialized/SerializedFile.h"

#include <algorithm>
#include <new>

#include "serialized/FormatVersion.h"

LoadStatus SerializedFile::load(const std::wstring& path) {
  if (!stream_.open(path, true)) return LoadStatus::CannotOpen;
  return loadOpened();
}

LoadStatus SerializedFile::loadReadOnly(const std::wstring& path) {
  if (!stream_.openReadOnly(path)) return LoadStatus::CannotOpen;
  stream_.setBigEndian(true);
  return loadOpened();
}

LoadStatus SerializedFile::loadOpened() {
  loadedSize_ = stream_.size();
  try {
    return readModel();
  } catch (const std::bad_alloc&) {
    // Counts are checked against the bytes that remain, but a large metadata may still hold more
    // than the memory there is; nothing has been written.
    return LoadStatus::OutOfMemory;
  }
}

LoadStatus SerializedFile::readModel() {
  header_.read(stream_);
  const std::int32_t version = header_.formatVersion;
  if (stream_.failed() && format::isKnown(version)) return LoadStatus::Damaged;
  if (!offsetsReach(loadedSize_, version)) return LoadStatus::TooLarge;
  if (!format::isKnown(version)) return LoadStatus::VersionUnsupported;
  if (!metadataFitsFile()) return LoadStatus::Damaged;

  stream_.seek(static_cast<std::int64_t>(header_.metadataStart()));
  metadata_.context.formatVersion = version;
  stream_.setBigEndian(format::hasBigEndianMetadata(version));
  if (!metadata_.read(stream_)) return LoadStatus::Damaged;
  if (typeTreesUnreadable()) return LoadStatus::TypeTreesUnsupported;

  if (!objects_.read(stream_, metadata_.context) || !resolveTypeIndices()) return LoadStatus::Damaged;
  if (format::hasCheckedMetadataTail(version) &&
      (!metadata_.readTail(stream_) ||
       static_cast<std::uint64_t>(stream_.position()) != header_.metadataEnd())) {
    return LoadStatus::Damaged;
  }
  const bool tableInsideMetadata = static_cast<std::uint64_t>(stream_.position()) <= header_.metadataEnd();
  if (stream_.failed() || !tableInsideMetadata || !objectsFitFile()) return LoadStatus::Damaged;
  return LoadStatus::Loaded;
}

// The type trees of format 23 on are not laid out in a way read here.
bool SerializedFile::typeTreesUnreadable() const {
  return metadata_.types.hasTypeTrees && format::hasUnreadableTypeTrees(header_.formatVersion);
}

const TypeEntry* SerializedFile::typeOf(const ObjectInfo& info) const {
  const TypeList& types = metadata_.types;
  if (format::hasTypeIndex(header_.formatVersion))
    return &types.byIndex[static_cast<std::size_t>(info.typeId)];
  // A script object's type is keyed by its negative type ID; any other object's by its class.
  const auto found = types.entries.find(info.typeId < 0 ? info.typeId : info.classId);
  return found == types.entries.end() ? nullptr : &found->second;
}

// From format 16 an object names its type by index; its class ID is the type's.
bool SerializedFile::resolveTypeIndices() {
  if (!format::hasTypeIndex(header_.formatVersion)) return true;
  const std::vector<TypeEntry>& types = metadata_.types.byIndex;
  for (auto& [key, info] : objects_.entries()) {
    if (info.typeId < 0 || static_cast<std::size_t>(info.typeId) >= types.size()) return false;
    const TypeEntry& type = types[static_cast<std::size_t>(info.typeId)];
    info.classId = type.classId;
    info.scriptTypeIndex = static_cast<std::uint16_t>(type.scriptTypeIndex);
  }
  return true;
}

bool SerializedFile::metadataFitsFile() const {
  const auto fileLength = static_cast<std::uint64_t>(stream_.size());
  const std::uint64_t start = header_.metadataStart();
  const std::uint64_t end = header_.metadataEnd();
  return header_.fileSize <= fileLength && start >= header_.byteLength() && start <= end && end <= fileLength;
}

// Each object's data lies in the file. Where the header and the metadata are rewritten in place,
// it also lies past them: data sharing their bytes would change under the rewritten object table.
bool SerializedFile::objectsFitFile() const {
  const auto fileLength = static_cast<std::uint64_t>(stream_.size());
  const bool rewrittenInPlace = format::hasMetadataAfterHeader(header_.formatVersion);
  for (const auto& [key, info] : objects_.entries()) {
    const std::uint64_t start = std::uint64_t{header_.dataOffset} + info.byteStart;
    if (start + info.byteSize > fileLength) return false;
    if (rewrittenInPlace && info.byteSize > 0 && start < header_.metadataEnd()) return false;
  }
  return true;
}

std::int64_t SerializedFile::objectOffset(const ObjectInfo& info) const {
  return static_cast<std::int64_t>(header_.dataOffset + info.byteStart);
}

std::vector<std::uint8_t> SerializedFile::readObjectBytes(const ObjectInfo& info) {
  stream_.seek(objectOffset(info));
  return stream_.readBytes(info.byteSize);
}

std::shared_ptr<const ByteRegion> SerializedFile::objectRegion(const ObjectInfo& info) {
  return std::make_shared<const ByteRegion>(stream_, objectOffset(info), info.byteSize);
}

std::optional<std::string> SerializedFile::readObjectName(const ObjectInfo& info, std::size_t maxBytes) {
  if (info.byteSize < 4) return std::nullopt;
  stream_.seek(objectOffset(info));
  const std::int32_t length = stream_.readInt32();
  if (length < 0 || static_cast<std::uint32_t>(length) > info.byteSize - 4) return std::nullopt;
  const std::uint64_t kept = std::min<std::uint64_t>(static_cast<std::uint32_t>(length), maxBytes);
  const std::vector<std::uint8_t> bytes = stream_.readBytes(kept);
  return std::string(bytes.begin(), bytes.end());
}

SaveStatus SerializedFile::save() {
  if (!format::isWritable(header_.formatVersion)) return SaveStatus::NotWritable;
  stream_.seekEnd();
  header_.fileSize = static_cast<std::uint64_t>(stream_.position());

  stream_.seek(0);
  header_.write(stream_);
  stream_.setBigEndian(format::hasBigEndianMetadata(header_.formatVersion));
  if (format::hasTypeIndex(header_.formatVersion)) {
    // Only the entries are rewritten, where they stand: the type list, with its type trees, and
    // the rest of the metadata stay byte for byte.
    objects_.writeInPlace(stream_);
  } else {
    metadata_.write(stream_);
    objects_.write(stream_);
  }
  return stream_.flush() ? SaveStatus::Saved : SaveStatus::WriteFailed;
}
