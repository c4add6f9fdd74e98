#pragma once

#include <cstdint>
#include <string>

#include "codecs/ObjectFields.h"

// The data of a Font object, read through its release's layout. A .ttf file replaces the embedded
// font and a .rect file the character rectangles; every other field is carried over as read.
class FontRecord {
 public:
  enum class FontImport {
    Imported,
    Unreadable,      // a replacement exists but cannot be read
    RectsMalformed,  // a .rect that is not a count of 0 or more and that many rectangles
    TooLarge,        // a font file longer than a count holds
  };

  // The .rect file beside a .ttf file: its extension replaced.
  static std::wstring rectPath(const std::wstring& ttfPath);

  // False when the object is not laid out so (see LaidOutObject::read).
  bool parse(std::shared_ptr<const ByteRegion> object, const fields::ObjectLayout& layout);
  bool parse(const fields::Bytes& bytes, const fields::ObjectLayout& layout);
  // Whether the block is what the release stores as the character rectangles: a count of 0 or
  // more, then that many rectangles in the release's own layout, and nothing more.
  bool takesCharacterRects(const ByteRegion& block) const;
  // The bytes one rectangle takes in the release, padding included; 0 when it varies.
  std::uint32_t characterRectLength() const;
  // Takes the font file at the .ttf path and the rectangles of the .rect file beside it, whichever
  // exist. The record is unchanged unless both that exist could be taken. Their bytes are copied
  // when the record is written, which keeps the files open till then.
  FontImport importFont(const std::wstring& ttfPath);
  // Writes the record at the stream's position; false when a replacement could not be read.
  bool write(AssetStream& stream) const { return object_.write(stream); }

  fields::Bytes name() const { return object_.elements("m_Name"); }
  // The count and the rectangles, as stored.
  fields::Bytes characterRects() const { return object_.serialized("m_CharacterRects"); }
  std::optional<RegionSlice> storedCharacterRects() const {
    return object_.storedSerialized("m_CharacterRects");
  }
  fields::Bytes fontData() const { return object_.elements("m_FontData"); }
  std::optional<RegionSlice> storedFontData() const { return object_.storedElements("m_FontData"); }

 private:
  fields::LaidOutObject object_;
};
