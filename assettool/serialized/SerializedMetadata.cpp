#include "serialized/SerializedMetadata.h"

#include "serialized/FormatVersion.h"
#include "stream/AssetStream.h"

namespace {
constexpr std::size_t kEngineVersionLimit = 255;
}  // namespace

bool SerializedMetadata::read(AssetStream& stream) {
  if (format::hasEngineVersion(context.formatVersion)) {
    context.engineVersion = stream.readCString(kEngineVersionLimit);
    if (context.engineVersion.size() >= kEngineVersionLimit) return false;
    targetPlatform = stream.readInt32();
  }
  return types.read(stream, context) && !stream.failed();
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
