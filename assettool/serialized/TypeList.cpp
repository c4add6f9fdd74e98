#include "serialized/TypeList.h"

#include "serialized/FormatVersion.h"

namespace {

constexpr std::size_t kTreeNameLimit = 256;
// A tree node holds a type name, a field name and six 32-bit fields, the last its child count.
constexpr std::uint64_t kSmallestTreeNode = 2 + 6 * 4;
constexpr std::uint64_t kSmallestTreeType = 4 + kSmallestTreeNode;
constexpr std::uint64_t kSmallestHashedType = 4 + 16;

// Nodes are stored depth first, so getting past a tree only needs the number of nodes still to
// come: no recursion, whatever the depth, and the count is held to what the bytes can contain.
bool skipTypeTree(AssetStream& stream) {
  std::uint64_t pending = 1;
  while (pending > 0) {
    stream.readCString(kTreeNameLimit);                          // type name
    stream.readCString(kTreeNameLimit);                          // field name
    for (int field = 0; field < 5; ++field) stream.readInt32();  // size, index, array, version, flags
    const std::int32_t children = stream.readInt32();
    if (stream.failed() || children < 0) return false;
    pending = pending - 1 + static_cast<std::uint64_t>(children);
    if (!stream.canRead(pending, kSmallestTreeNode)) return false;
  }
  return true;
}

}  // namespace

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
  return format::hasHashedTypeList(context.formatVersion) ? readHashed(stream, context)
                                                          : readTrees(stream, context);
}

bool TypeList::readHashed(AssetStream& stream, const ReadContext& context) {
  hasTypeTrees = stream.readByte() != 0;
  if (hasTypeTrees) return !stream.failed();
  const std::int32_t count = stream.readInt32();
  if (count > 0 && !stream.canRead(static_cast<std::uint64_t>(count), kSmallestHashedType)) return false;
  for (std::int32_t i = 0; i < count && !stream.failed(); ++i) {
    TypeEntry entry;
    entry.context.formatVersion = context.formatVersion;
    entry.read(stream);
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
    if (!skipTypeTree(stream)) return false;
    entries.emplace(entry.classId, entry);
  }
  hasTypeTrees = count > 0;
  if (format::hasEngineVersion(context.formatVersion)) stream.readInt32();
  return !stream.failed();
}

void TypeList::write(AssetStream& stream, const ReadContext& context) const {
  if (format::hasHashedTypeList(context.formatVersion)) {
    writeHashed(stream);
    return;
  }
  TypeList unchanged;
  unchanged.readTrees(stream, context);
}

void TypeList::writeHashed(AssetStream& stream) const {
  stream.writeByte(hasTypeTrees ? 1 : 0);
  stream.writeInt32(static_cast<std::int32_t>(entries.size()));
  for (const auto& [classId, entry] : entries) entry.write(stream);
}
