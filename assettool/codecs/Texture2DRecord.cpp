#include "codecs/Texture2DRecord.h"

#include <algorithm>

#include "codecs/DdsFile.h"
#include "codecs/TextureFormat.h"
#include "platform/Platform.h"

namespace {

constexpr std::size_t kDdsHeightOffset = 12;
constexpr std::size_t kDdsWidthOffset = 16;

std::int32_t littleEndianWord(const fields::Bytes& bytes, std::size_t offset) {
  AssetStream stream(std::span<const std::uint8_t>(bytes).subspan(offset, 4));
  return stream.readInt32();
}

void reverseEach4(std::span<std::uint8_t> bytes) {
  for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) std::reverse(&bytes[i], &bytes[i + 4]);
}

void swapOuterOf3(std::span<std::uint8_t> bytes) {
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3) std::swap(bytes[i], bytes[i + 2]);
}

}  // namespace

PieceChange channelReorder(std::int32_t textureFormat) {
  if (textureFormat == texture_format::kArgb32) return reverseEach4;
  if (textureFormat == texture_format::kRgb24) return swapOuterOf3;
  return nullptr;
}

void reorderChannels(std::int32_t textureFormat, fields::Bytes& imageData) {
  if (const PieceChange reorder = channelReorder(textureFormat)) reorder(imageData);
}

bool Texture2DRecord::parse(std::shared_ptr<const ByteRegion> object, const fields::ObjectLayout& layout) {
  return object_.read(std::move(object), layout);
}

bool Texture2DRecord::parse(const fields::Bytes& bytes, const fields::ObjectLayout& layout) {
  return object_.read(bytes, layout);
}

Texture2DRecord::DdsImport Texture2DRecord::importDds(const std::wstring& path) {
  const std::int32_t format = textureFormat();
  if (texture_format::isMobileCompressed(format)) return DdsImport::NotImportable;
  if (!dds::pixelFormatOf(format)) return DdsImport::Unsupported;
  const std::shared_ptr<const ByteRegion> dds = ByteRegion::openFile(path);
  if (!dds || dds->size() < dds::kHeaderLength) return DdsImport::Unreadable;
  const fields::Bytes headerBytes = dds->bytes(0, dds::kHeaderLength);
  if (dds->failed()) return DdsImport::Unreadable;
  const RegionSlice pixels{dds, dds::kHeaderLength, dds->size() - dds::kHeaderLength, channelReorder(format)};
  if (!object_.setElements("image data", pixels)) return DdsImport::TooLarge;
  AssetStream headerStream(headerBytes);
  dds::Header header;
  const bool headerRead = header.read(headerStream);
  object_.setNumber("m_Height", littleEndianWord(headerBytes, kDdsHeightOffset));
  object_.setNumber("m_Width", littleEndianWord(headerBytes, kDdsWidthOffset));
  object_.setNumber("m_CompleteImageSize", static_cast<std::int64_t>(pixels.length));
  // Releases before 5.2 keep a bool for a full chain instead of a count; it stays as it was.
  if (headerRead) object_.setNumber("m_MipCount", header.mipCount);
  resetFieldsOfTheOldImage();
  return DdsImport::Imported;
}

// The image now lies whole inside the object, as the editor would build it for this platform: no
// resource file, no levels stripped away, no data prepared for another platform's own layout.
void Texture2DRecord::resetFieldsOfTheOldImage() {
  object_.setNumber("m_StreamData.offset", 0);
  object_.setNumber("m_StreamData.size", 0);
  object_.setElements("m_StreamData.path", fields::Bytes());
  object_.setNumber("m_MipsStripped", 0);
  object_.setElements("m_PlatformBlob", fields::Bytes());
}

std::optional<Texture2DRecord::ResourcePixels> Texture2DRecord::resourcePixels() const {
  const auto size = static_cast<std::uint32_t>(object_.number("m_StreamData.size"));
  if (size == 0) return std::nullopt;
  const fields::Bytes path = object_.elements("m_StreamData.path");
  return ResourcePixels{std::string(path.begin(), path.end()),
                        static_cast<std::uint64_t>(object_.number("m_StreamData.offset")), size};
}

std::optional<RegionSlice> Texture2DRecord::pixelSource(const std::wstring& assetPath) const {
  const std::optional<ResourcePixels> resource = resourcePixels();
  if (!resource) return object_.storedElements("image data");
  // The path names the file as it was built, in a folder or an archive: only its name counts.
  const std::string fileName = resource->path.substr(resource->path.find_last_of("/\\") + 1);
  const std::wstring path =
      platform::parentFolder(assetPath) + platform::kPathSeparator + platform::toWide(fileName);
  const std::shared_ptr<const ByteRegion> file = ByteRegion::openFile(path);
  if (!file || resource->offset > file->size() || resource->size > file->size() - resource->offset)
    return std::nullopt;
  return RegionSlice{file, resource->offset, resource->size};
}

std::optional<fields::Bytes> Texture2DRecord::pixels(const std::wstring& assetPath) const {
  const std::optional<RegionSlice> source = pixelSource(assetPath);
  if (!source) return std::nullopt;
  fields::Bytes bytes = fields::bytesOf(*source);
  if (source->region->failed()) return std::nullopt;
  return bytes;
}

std::uint64_t Texture2DRecord::imageDataLength() const {
  const std::optional<RegionSlice> stored = object_.storedElements("image data");
  return stored ? stored->length : 0;
}

bool Texture2DRecord::holdsPixels() const {
  return width() > 0 && height() > 0 && (imageDataLength() > 0 || resourcePixels().has_value());
}

std::uint32_t Texture2DRecord::mipLevels() const {
  return mipLevelsAt(width(), height());
}

std::uint32_t Texture2DRecord::mipLevelsAt(std::int32_t width, std::int32_t height) const {
  if (object_.has("m_MipCount"))
    return static_cast<std::uint32_t>(std::max<std::int64_t>(object_.number("m_MipCount"), 1));
  const bool fullChain = object_.number("m_MipMap") != 0;
  return fullChain ? dds::fullChainLevels(width, height) : 1;
}

bool Texture2DRecord::writeDds(AssetStream& stream, const RegionSlice& pixels) const {
  const std::optional<dds::Header> header = dds::headerFor(textureFormat(), width(), height(), mipLevels());
  if (!header) return false;
  header->write(stream);
  RegionSlice fileOrder = pixels;
  fileOrder.change = channelReorder(textureFormat());
  return stream.copy(fileOrder);
}

bool Texture2DRecord::writeDds(AssetStream& stream, const fields::Bytes& pixels) const {
  return writeDds(stream, RegionSlice{std::make_shared<const ByteRegion>(pixels), 0, pixels.size()});
}
