#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "codecs/ObjectFields.h"
#include "serialized/EngineVersion.h"

// The data of a Texture2D object, laid out as its engine release does. A DDS file replaces its size
// and image data; everything else is carried over as read.
class Texture2DRecord {
 public:
  enum class DdsImport {
    Imported,
    NotImportable,  // a mobile compressed format: kept without a word
    Unsupported,    // any other format without DDS import: kept, with a warning
    Unreadable,     // the DDS file cannot be read or is shorter than its header
  };

  // False when a length is negative, the fields run past the object's bytes, or the object holds
  // more than its fields. The release must have a known texture layout.
  bool parse(std::span<const std::uint8_t> bytes, engine::Version version);
  // Imported pixels lie inside the object: a resource file that held the old ones is let go.
  DdsImport importDds(const std::wstring& path);
  // Appends the record at the stream's position and returns the number of bytes it took.
  std::int32_t write(AssetStream& stream) const;

  // Where the pixels lie when a 5.3 or 5.4 texture keeps them in a resource file beside the asset
  // file: its path as stored, an offset and a size. Nothing when they are inside the object.
  struct ResourcePixels {
    std::string path;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  std::optional<ResourcePixels> resourcePixels() const;
  // False for a texture without pixels: no size (as the atlas of a dynamic font, which the engine
  // fills at run time), or neither image data nor a resource file holding them.
  bool holdsPixels() const;
  // The levels the image data holds: the count, or for a release with a bool, a full chain or one.
  std::uint32_t mipLevels() const;
  // The same for the texture at another size, as a replacement may give it.
  std::uint32_t mipLevelsAt(std::int32_t width, std::int32_t height) const;
  // The DDS file that importDds turns back into this texture's size and these pixels (the image
  // data as the object holds it). False, with nothing written, for a format no DDS file carries.
  bool writeDds(AssetStream& stream, const fields::Bytes& pixels) const;

  const fields::Bytes& name() const { return name_; }
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  std::int32_t textureFormat() const { return textureFormat_; }
  const fields::Bytes& imageData() const { return imageData_; }

 private:
  // Pixels kept in a resource file beside the asset file instead of the object.
  struct StreamData {
    std::int32_t offset = 0;
    std::int32_t size = 0;
    fields::Bytes path;
  };

  bool padsImageData() const;

  engine::Version version_;
  fields::Bytes name_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::int32_t imageDataSize_ = 0;
  std::int32_t textureFormat_ = 0;
  std::int32_t mipValue_ = 0;  // the count of levels, where the release has one
  std::array<bool, 3>
      flags_{};  // the full-chain bool (where there is no count), the two access bools, padding
  std::array<std::int32_t, 8> settings_{};  // the float among them is kept as its bytes
  fields::Bytes imageData_;
  StreamData streamData_;
};

// How the channels of uncompressed DDS data are reordered for a texture format (B G R A in the file).
void reorderChannels(std::int32_t textureFormat, fields::Bytes& imageData);
