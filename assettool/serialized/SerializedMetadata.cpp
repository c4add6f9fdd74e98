#include "serialized/SerializedMetadata.h"

#include "serialized/FormatVersion.h"
#include "stream/AssetStream.h"

namespace {
constexpr std::size_t kEngineVersionLimit = 255;
constexpr std::size_t kTextLimit = 64 * 1024;
constexpr std::uint64_t kSmallestScriptType = 4 + 8;
constexpr std::uint64_t kSmallestExternal = 1 + 16 + 4 + 1;
constexpr std::uint64_t kSmallestReferenceType = 4 + 1 + 2 + 16;

bool canHold(AssetStream& stream, std::int32_t count, std::uint64_t itemSize) {
  return count >= 0 && stream.canRead(static_cast<std::uint64_t>(count), itemSize);
}
}  // namespace

bool SerializedMetadata::read(AssetStream& stream) {
  if (format::hasEngineVersion(context.formatVersion)) {
    context.engineVersion = stream.readCString(kEngineVersionLimit);
    if (context.engineVersion.size() >= kEngineVersionLimit) return false;
    targetPlatform = stream.readInt32();
  }
  return types.read(stream, context) && !stream.failed();
}

bool SerializedMetadata::readTail(AssetStream& stream) const {
  const std::int32_t scripts = stream.readInt32();
  if (!canHold(stream, scripts, kSmallestScriptType)) return false;
  for (std::int32_t i = 0; i < scripts; ++i) {
    stream.readInt32();  // file index
    stream.alignRead();
    stream.readInt64();  // path ID
  }
  const std::int32_t externals = stream.readInt32();
  if (!canHold(stream, externals, kSmallestExternal)) return false;
  for (std::int32_t i = 0; i < externals && !stream.failed(); ++i) {
    stream.readCString(kTextLimit);  // empty
    stream.readHash128();            // GUID
    stream.readInt32();              // type
    stream.readCString(kTextLimit);  // path
  }
  if (format::hasRefTypes(context.formatVersion)) {
    const std::int32_t references = stream.readInt32();
    if (!canHold(stream, references, kSmallestReferenceType)) return false;
    for (std::int32_t i = 0; i < references; ++i) {
      TypeEntry entry;
      entry.context.formatVersion = context.formatVersion;
      if (!entry.readIndexed(stream, types.hasTypeTrees, true)) return false;
    }
  }
  stream.readCString(kTextLimit);  // user information
  return !stream.failed();
}

void SerializedMetadata::write(AssetStream& stream) const {
  if (format::hasEngineVersion(context.formatVersion)) {
    const auto* text = reinterpret_cast<const std::uint8_t*>(context.engineVersion.data());
    stream.writeBytes({text, context.engineVersion.size()});
    stream.writeByte(0);
    stream.writeInt32(targetPlatform);
  }
  types.write(stream, context);
}
