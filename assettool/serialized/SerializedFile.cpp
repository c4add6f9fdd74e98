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
  if (!offsetsReach(loadedSize_)) return LoadStatus::TooLarge;
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
  if (stream_.failed()) return LoadStatus::Damaged;
  if (!format::isKnown(header_.formatVersion)) return LoadStatus::VersionUnsupported;
  if (!metadataFitsFile()) return LoadStatus::Damaged;

  stream_.seek(static_cast<std::int64_t>(header_.metadataStart()));
  metadata_.context.formatVersion = header_.formatVersion;
  stream_.setBigEndian(format::hasBigEndianMetadata(header_.formatVersion));
  if (!metadata_.read(stream_)) return LoadStatus::Damaged;
  if (metadata_.types.hasTypeTrees && format::hasHashedTypeList(header_.formatVersion)) {
    return LoadStatus::TypeTreesUnsupported;
  }

  if (!objects_.read(stream_, metadata_.context)) return LoadStatus::Damaged;
  const bool tableInsideMetadata = static_cast<std::uint64_t>(stream_.position()) <= header_.metadataEnd();
  if (stream_.failed() || !tableInsideMetadata || !objectsFitFile()) return LoadStatus::Damaged;
  return LoadStatus::Loaded;
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
  const bool rewrittenInPlace = format::isWritable(header_.formatVersion);
  for (const auto& [key, info] : objects_.entries()) {
    const std::uint64_t start = std::uint64_t{header_.dataOffset} + info.byteStart;
    if (start + info.byteSize > fileLength) return false;
    if (rewrittenInPlace && info.byteSize > 0 && start < header_.metadataEnd()) return false;
  }
  return true;
}

std::int64_t SerializedFile::objectOffset(const ObjectInfo& info) const {
  return std::int64_t{header_.dataOffset} + info.byteStart;
}

std::vector<std::uint8_t> SerializedFile::readObjectBytes(const ObjectInfo& info) {
  stream_.seek(objectOffset(info));
  return stream_.readBytes(info.byteSize);
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
  header_.fileSize = static_cast<std::uint32_t>(stream_.position());

  stream_.seek(0);
  header_.write(stream_);
  stream_.setBigEndian(format::hasBigEndianMetadata(header_.formatVersion));
  metadata_.write(stream_);
  objects_.write(stream_);
  return stream_.flush() ? SaveStatus::Saved : SaveStatus::WriteFailed;
}
