#include "serialized/TypeList.h"

#include "serialized/FormatVersion.h"

namespace {

// The smallest type of the recursive lists: its class ID and a root node of two empty names and
// six 32-bit fields.
constexpr std::uint64_t kSmallestTreeType = 4 + 2 + 6 * 4;
constexpr std::uint64_t kSmallestHashedType = 4 + 16;

constexpr std::uint64_t kSmallestIndexedType = 4 + 1 + 16;
constexpr std::size_t kNameLimit = 64 * 1024;
constexpr std::int32_t kMonoBehaviour = 114;

// Moves on by count items of itemSize bytes, false when they are not all there.
bool skipItems(AssetStream& stream, std::int32_t count, std::uint64_t itemSize) {
  if (count < 0 || !stream.canRead(static_cast<std::uint64_t>(count), itemSize)) return false;
  stream.seek(stream.position() + static_cast<std::int64_t>(static_cast<std::uint64_t>(count) * itemSize));
  return true;
}

}  // namespace

bool TypeEntry::readIndexed(AssetStream& stream, bool withTree, bool isReference) {
  const std::int32_t version = context.formatVersion;
  classId = stream.readInt32();
  isStripped = stream.readByte() != 0;
  if (format::hasScriptTypeIndexInTypes(version))
    scriptTypeIndex = static_cast<std::int16_t>(stream.readUInt16());
  if ((isReference && scriptTypeIndex >= 0) || classId == kMonoBehaviour) scriptId = stream.readHash128();
  typeHash = stream.readHash128();
  if (!withTree) return !stream.failed();
  if (!readBlobTree(stream)) return false;
  if (!format::hasTypeDependencies(version)) return !stream.failed();
  if (isReference) {
    for (int name = 0; name < 3; ++name) stream.readCString(kNameLimit);  // class, namespace, assembly
    return !stream.failed();
  }
  return skipItems(stream, stream.readInt32(), 4) && !stream.failed();
}

bool TypeEntry::readBlobTree(AssetStream& stream) {
  std::optional<type_tree::SharedLayout> blob = type_tree::readBlob(stream, context.formatVersion);
  if (!blob) return false;
  tree = std::move(*blob);
  return true;
}

void TypeEntry::read(AssetStream& stream) {
  classId = stream.readInt32();
  if (classId < 0) scriptId = stream.readHash128();
  typeHash = stream.readHash128();
}

void TypeEntry::write(AssetStream& stream) const {
  stream.writeInt32(classId);
  if (classId < 0) stream.writeBytes(scriptId);
  stream.writeBytes(typeHash);
}

bool TypeList::read(AssetStream& stream, const ReadContext& context) {
  entries.clear();
  byIndex.clear();
  if (format::hasTypeIndex(context.formatVersion)) return readIndexed(stream, context);
  return format::hasHashedTypeList(context.formatVersion) ? readHashed(stream, context)
                                                          : readTrees(stream, context);
}

bool TypeList::readIndexed(AssetStream& stream, const ReadContext& context) {
  hasTypeTrees = stream.readByte() != 0;
  if (hasTypeTrees && format::hasUnreadableTypeTrees(context.formatVersion)) return !stream.failed();
  const std::int32_t count = stream.readInt32();
  if (count < 0 || !stream.canRead(static_cast<std::uint64_t>(count), kSmallestIndexedType)) return false;
  byIndex.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    TypeEntry& entry = byIndex.emplace_back();
    entry.context.formatVersion = context.formatVersion;
    if (!entry.readIndexed(stream, hasTypeTrees, false)) return false;
  }
  return !stream.failed();
}

bool TypeList::readHashed(AssetStream& stream, const ReadContext& context) {
  hasTypeTrees = stream.readByte() != 0;
  const std::int32_t count = stream.readInt32();
  if (count > 0 && !stream.canRead(static_cast<std::uint64_t>(count), kSmallestHashedType)) return false;
  for (std::int32_t i = 0; i < count && !stream.failed(); ++i) {
    TypeEntry entry;
    entry.context.formatVersion = context.formatVersion;
    entry.read(stream);
    if (hasTypeTrees && !entry.readBlobTree(stream)) return false;
    if (!entries.emplace(entry.classId, entry).second) return false;
  }
  return !stream.failed();
}

bool TypeList::readTrees(AssetStream& stream, const ReadContext& context) {
  const std::int32_t count = stream.readInt32();
  if (count > 0 && !stream.canRead(static_cast<std::uint64_t>(count), kSmallestTreeType)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    TypeEntry entry;
    entry.context.formatVersion = context.formatVersion;
    entry.classId = stream.readInt32();
    std::optional<type_tree::SharedLayout> tree = type_tree::readRecursive(stream);
    if (!tree) return false;
    entry.tree = std::move(*tree);
    entries.emplace(entry.classId, entry);
  }
  hasTypeTrees = count > 0;
  if (format::hasEngineVersion(context.formatVersion)) stream.readInt32();
  return !stream.failed();
}

void TypeList::write(AssetStream& stream, const ReadContext& context) const {
  if (format::hasHashedTypeList(context.formatVersion) && !hasTypeTrees) {
    writeHashed(stream);
    return;
  }
  TypeList unchanged;
  unchanged.read(stream, context);
}

void TypeList::writeHashed(AssetStream& stream) const {
  stream.writeByte(hasTypeTrees ? 1 : 0);
  stream.writeInt32(static_cast<std::int32_t>(entries.size()));
  for (const auto& [classId, entry] : entries) entry.write(stream);
}
