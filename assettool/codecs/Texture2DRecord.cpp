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

}  // namespace

void reorderChannels(std::int32_t textureFormat, fields::Bytes& imageData) {
  if (textureFormat == texture_format::kArgb32) {
    for (std::size_t i = 0; i + 4 <= imageData.size(); i += 4) std::reverse(&imageData[i], &imageData[i + 4]);
  } else if (textureFormat == texture_format::kRgb24) {
    for (std::size_t i = 0; i + 3 <= imageData.size(); i += 3) std::swap(imageData[i], imageData[i + 2]);
  }
}

bool Texture2DRecord::parse(fields::Bytes bytes, const fields::ObjectLayout& layout) {
  return object_.read(std::move(bytes), layout);
}

Texture2DRecord::DdsImport Texture2DRecord::importDds(const std::wstring& path) {
  const std::int32_t format = textureFormat();
  if (texture_format::isMobileCompressed(format)) return DdsImport::NotImportable;
  if (!dds::pixelFormatOf(format)) return DdsImport::Unsupported;
  std::optional<fields::Bytes> dds = readWholeFile(path);
  if (!dds || dds->size() < dds::kHeaderLength) return DdsImport::Unreadable;
  AssetStream headerStream(std::span<const std::uint8_t>(*dds).first(dds::kHeaderLength));
  dds::Header header;
  const bool headerRead = header.read(headerStream);
  object_.setNumber("m_Height", littleEndianWord(*dds, kDdsHeightOffset));
  object_.setNumber("m_Width", littleEndianWord(*dds, kDdsWidthOffset));
  dds->erase(dds->begin(), dds->begin() + dds::kHeaderLength);
  reorderChannels(format, *dds);
  object_.setNumber("m_CompleteImageSize", static_cast<std::int64_t>(dds->size()));
  // Releases before 5.2 keep a bool for a full chain instead of a count; it stays as it was.
  if (headerRead) object_.setNumber("m_MipCount", header.mipCount);
  object_.setElements("image data", *dds);
  resetFieldsOfTheOldImage();
  return DdsImport::Imported;
}

// The image now lies whole inside the object, as the editor would build it for this platform: no
// resource file, no levels stripped away, no data prepared for another platform's own layout.
void Texture2DRecord::resetFieldsOfTheOldImage() {
  object_.setNumber("m_StreamData.offset", 0);
  object_.setNumber("m_StreamData.size", 0);
  object_.setElements("m_StreamData.path", {});
  object_.setNumber("m_MipsStripped", 0);
  object_.setElements("m_PlatformBlob", {});
}

std::optional<Texture2DRecord::ResourcePixels> Texture2DRecord::resourcePixels() const {
  const auto size = static_cast<std::uint32_t>(object_.number("m_StreamData.size"));
  if (size == 0) return std::nullopt;
  const fields::Bytes path = object_.elements("m_StreamData.path");
  return ResourcePixels{std::string(path.begin(), path.end()),
                        static_cast<std::uint64_t>(object_.number("m_StreamData.offset")), size};
}

std::optional<fields::Bytes> Texture2DRecord::pixels(const std::wstring& assetPath) const {
  const std::optional<ResourcePixels> resource = resourcePixels();
  if (!resource) return imageData();
  // The path names the file as it was built, in a folder or an archive: only its name counts.
  const std::string fileName = resource->path.substr(resource->path.find_last_of("/\\") + 1);
  const std::wstring path =
      platform::parentFolder(assetPath) + platform::kPathSeparator + platform::toWide(fileName);
  AssetStream stream;
  if (!stream.openReadOnly(path)) return std::nullopt;
  stream.seek(static_cast<std::int64_t>(resource->offset));
  fields::Bytes bytes = stream.readBytes(resource->size);
  if (stream.failed()) return std::nullopt;
  return bytes;
}

bool Texture2DRecord::holdsPixels() const {
  return width() > 0 && height() > 0 && (!imageData().empty() || resourcePixels().has_value());
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

bool Texture2DRecord::writeDds(AssetStream& stream, const fields::Bytes& pixels) const {
  const std::optional<dds::Header> header = dds::headerFor(textureFormat(), width(), height(), mipLevels());
  if (!header) return false;
  header->write(stream);
  fields::Bytes fileOrder = pixels;
  reorderChannels(textureFormat(), fileOrder);  // each exchange undoes itself
  stream.writeBytes(fileOrder);
  return true;
}
