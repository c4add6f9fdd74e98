#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "codecs/ObjectFields.h"

// The data of a Texture2D object, read through its release's layout. A DDS file replaces its size,
// mip levels and image data; every other field is carried over as read.
class Texture2DRecord {
 public:
  enum class DdsImport {
    Imported,
    NotImportable,  // a mobile compressed format: kept without a word
    Unsupported,    // any other format without DDS import: kept, with a warning
    Unreadable,     // the DDS file cannot be read or is shorter than its header
    TooLarge,       // more image data than a count holds
  };

  // False when the object is not laid out so (see LaidOutObject::read).
  bool parse(std::shared_ptr<const ByteRegion> object, const fields::ObjectLayout& layout);
  bool parse(const fields::Bytes& bytes, const fields::ObjectLayout& layout);
  // Imported pixels lie inside the object, and the fields that described the old image as stored
  // elsewhere or prepared for a platform are reset: a resource file that held them is let go. The
  // pixels are copied from the DDS file when the record is written, which keeps it open till then.
  DdsImport importDds(const std::wstring& path);
  // Writes the record at the stream's position; false when the DDS file could not be read.
  bool write(AssetStream& stream) const { return object_.write(stream); }

  // Where the pixels lie when the texture keeps them in a resource file beside the asset file:
  // its path as stored, an offset and a size. Nothing when they are inside the object.
  struct ResourcePixels {
    std::string path;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
  };
  std::optional<ResourcePixels> resourcePixels() const;
  // The image data inside the object, or the slice of the resource file beside the asset file at
  // assetPath that holds it; nothing when that file cannot be opened or is not that long.
  std::optional<RegionSlice> pixelSource(const std::wstring& assetPath) const;
  // The same, read whole.
  std::optional<fields::Bytes> pixels(const std::wstring& assetPath) const;
  // False for a texture without pixels: no size (as the atlas of a dynamic font, which the engine
  // fills at run time), or neither image data nor a resource file holding them.
  bool holdsPixels() const;
  // The levels the image data holds: the count, or for a release with a bool, a full chain or one.
  std::uint32_t mipLevels() const;
  // The same for the texture at another size, as a replacement may give it.
  std::uint32_t mipLevelsAt(std::int32_t width, std::int32_t height) const;
  // The DDS file that importDds turns back into this texture's size and these pixels (the image
  // data as the object holds it). False for a format no DDS file carries (nothing written), or when
  // the pixels could not be read.
  bool writeDds(AssetStream& stream, const RegionSlice& pixels) const;
  bool writeDds(AssetStream& stream, const fields::Bytes& pixels) const;

  fields::Bytes name() const { return object_.elements("m_Name"); }
  std::int32_t width() const { return static_cast<std::int32_t>(object_.number("m_Width")); }
  std::int32_t height() const { return static_cast<std::int32_t>(object_.number("m_Height")); }
  std::int32_t textureFormat() const { return static_cast<std::int32_t>(object_.number("m_TextureFormat")); }
  fields::Bytes imageData() const { return object_.elements("image data"); }
  std::uint64_t imageDataLength() const;

 private:
  void resetFieldsOfTheOldImage();

  fields::LaidOutObject object_;
};

// How the channels of uncompressed DDS data are reordered for a texture format (B G R A in the file):
// nothing for a format whose data goes as it stands. Each exchange undoes itself.
PieceChange channelReorder(std::int32_t textureFormat);
void reorderChannels(std::int32_t textureFormat, fields::Bytes& imageData);
