#include "codecs/Texture2DRecord.h"

#include <algorithm>

#include "codecs/DdsFile.h"
#include "codecs/TextureFormat.h"

namespace {

constexpr std::size_t kDdsHeightOffset = 12;
constexpr std::size_t kDdsWidthOffset = 16;

std::int32_t littleEndianWord(const fields::Bytes& bytes, std::size_t offset) {
  AssetStream stream(std::span<const std::uint8_t>(bytes).subspan(offset, 4));
  return stream.readInt32();
}

}  // namespace

void reorderChannels(std::int32_t textureFormat, fields::Bytes& imageData) {
  if (textureFormat == texture_format::kArgb32) {
    for (std::size_t i = 0; i + 4 <= imageData.size(); i += 4) std::reverse(&imageData[i], &imageData[i + 4]);
  } else if (textureFormat == texture_format::kRgb24) {
    for (std::size_t i = 0; i + 3 <= imageData.size(); i += 3) std::swap(imageData[i], imageData[i + 2]);
  }
}

bool Texture2DRecord::parse(std::span<const std::uint8_t> bytes, engine::Version version) {
  version_ = version;
  AssetStream stream(bytes);
  auto name = fields::readSized(stream);
  if (!name) return false;
  name_ = std::move(*name);
  stream.alignRead();
  width_ = stream.readInt32();
  height_ = stream.readInt32();
  imageDataSize_ = stream.readInt32();
  textureFormat_ = stream.readInt32();
  if (engine::hasMipCount(version_)) mipValue_ = stream.readInt32();
  for (bool& flag : flags_) flag = stream.readByte() != 0;
  stream.alignRead();
  settings_ = fields::readWords<8>(stream);
  auto imageData = fields::readSized(stream);
  if (!imageData) return false;
  imageData_ = std::move(*imageData);
  if (engine::hasStreamData(version_)) {
    stream.alignRead();
    streamData_.offset = stream.readInt32();
    streamData_.size = stream.readInt32();
    auto path = fields::readSized(stream);
    if (!path) return false;
    streamData_.path = std::move(*path);
  }
  return fields::endsObject(stream);
}

Texture2DRecord::DdsImport Texture2DRecord::importDds(const std::wstring& path) {
  if (texture_format::isMobileCompressed(textureFormat_)) return DdsImport::NotImportable;
  if (!dds::pixelFormatOf(textureFormat_)) return DdsImport::Unsupported;
  std::optional<fields::Bytes> dds = readWholeFile(path);
  if (!dds || dds->size() < dds::kHeaderLength) return DdsImport::Unreadable;
  height_ = littleEndianWord(*dds, kDdsHeightOffset);
  width_ = littleEndianWord(*dds, kDdsWidthOffset);
  dds->erase(dds->begin(), dds->begin() + dds::kHeaderLength);
  imageData_ = std::move(*dds);
  imageDataSize_ = static_cast<std::int32_t>(imageData_.size());
  reorderChannels(textureFormat_, imageData_);
  streamData_ = StreamData{};
  return DdsImport::Imported;
}

// The engine counts the padding after the image data as part of the object. Files of 5.2, where
// the image data ends the object, have always been written without it, and readers accept them so.
bool Texture2DRecord::padsImageData() const {
  return !engine::hasMipCount(version_) || engine::hasStreamData(version_);
}

std::int32_t Texture2DRecord::write(AssetStream& stream) const {
  const std::int64_t start = stream.position();
  fields::writeSized(stream, name_);
  stream.alignWrite();
  stream.writeInt32(width_);
  stream.writeInt32(height_);
  stream.writeInt32(imageDataSize_);
  stream.writeInt32(textureFormat_);
  if (engine::hasMipCount(version_)) stream.writeInt32(mipValue_);
  for (bool flag : flags_) stream.writeByte(flag ? 1 : 0);
  stream.alignWrite();
  fields::writeWords(stream, settings_);
  fields::writeSized(stream, imageData_);
  if (padsImageData()) fields::writeZeroPadding(stream);
  if (engine::hasStreamData(version_)) {
    stream.writeInt32(streamData_.offset);
    stream.writeInt32(streamData_.size);
    fields::writeSized(stream, streamData_.path);
    fields::writeZeroPadding(stream);
  }
  return static_cast<std::int32_t>(stream.position() - start);
}

std::optional<Texture2DRecord::ResourcePixels> Texture2DRecord::resourcePixels() const {
  if (!engine::hasStreamData(version_) || streamData_.size == 0) return std::nullopt;
  return ResourcePixels{std::string(streamData_.path.begin(), streamData_.path.end()),
                        static_cast<std::uint32_t>(streamData_.offset),
                        static_cast<std::uint32_t>(streamData_.size)};
}

bool Texture2DRecord::holdsPixels() const {
  return width_ > 0 && height_ > 0 && (!imageData_.empty() || resourcePixels().has_value());
}

std::uint32_t Texture2DRecord::mipLevels() const {
  return mipLevelsAt(width_, height_);
}

std::uint32_t Texture2DRecord::mipLevelsAt(std::int32_t width, std::int32_t height) const {
  if (engine::hasMipCount(version_)) return static_cast<std::uint32_t>(std::max(mipValue_, 1));
  const bool fullChain = flags_[0];
  return fullChain ? dds::fullChainLevels(width, height) : 1;
}

bool Texture2DRecord::writeDds(AssetStream& stream, const fields::Bytes& pixels) const {
  const std::optional<dds::Header> header = dds::headerFor(textureFormat_, width_, height_, mipLevels());
  if (!header) return false;
  header->write(stream);
  fields::Bytes fileOrder = pixels;
  reorderChannels(textureFormat_, fileOrder);  // each exchange undoes itself
  stream.writeBytes(fileOrder);
  return true;
}
