#include "codecs/TextAssetRecord.h"

bool TextAssetRecord::parse(std::span<const std::uint8_t> bytes) {
  AssetStream stream(bytes);
  auto name = fields::readSized(stream);
  if (!name) return false;
  stream.alignRead();
  auto script = fields::readSized(stream);
  if (!script) return false;
  stream.alignRead();
  auto pathName = fields::readSized(stream);
  if (!pathName) return false;
  name_ = std::move(*name);
  script_ = std::move(*script);
  pathName_ = std::move(*pathName);
  return fields::endsObject(stream);
}

std::int32_t TextAssetRecord::write(AssetStream& stream) const {
  const std::int64_t start = stream.position();
  fields::writeSized(stream, name_);
  stream.alignWrite();
  fields::writeSized(stream, script_);
  stream.alignWrite();
  fields::writeSized(stream, pathName_);
  fields::writeZeroPadding(stream);
  return static_cast<std::int32_t>(stream.position() - start);
}
