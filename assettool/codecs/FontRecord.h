#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/ObjectFields.h"
#include "serialized/EngineVersion.h"

// The data of a Font object, laid out as its engine release does. A .ttf file replaces the embedded
// font and a .rect file the block of character rectangles; everything else is carried over as read.
class FontRecord {
 public:
  enum class FontImport {
    Imported,
    Unreadable,      // a replacement exists but cannot be read
    RectsMalformed,  // a .rect that is not a count of 0 or more and that many rectangles
  };

  // The .rect file beside a .ttf file: its extension replaced.
  static std::wstring rectPath(const std::wstring& ttfPath);
  // A block the engine reads as a count of 0 or more and that many rectangles, and nothing more.
  static bool isCharacterRectBlock(const fields::Bytes& block);

  // False when a count or length is negative, the fields run past the object's bytes, or the
  // object holds more than its fields. The release and format must have a known font layout.
  bool parse(std::span<const std::uint8_t> bytes, engine::Version version, std::int32_t formatVersion);
  // Takes the font file at the .ttf path and the rectangles of the .rect file beside it, whichever
  // exist. The record is unchanged unless both that exist could be taken.
  FontImport importFont(const std::wstring& ttfPath);
  std::int32_t write(AssetStream& stream) const;

  const fields::Bytes& name() const { return name_; }
  const fields::Bytes& characterRects() const { return characterRects_; }
  const fields::Bytes& fontData() const { return fontData_; }

 private:
  engine::Version version_;
  std::uint32_t referenceLength_ = 0;
  fields::Bytes name_;
  std::array<std::int32_t, 6> metrics_{};  // ASCII start, kerning, line and character spacing, padding, case
  fields::Bytes defaultMaterial_;          // a reference
  fields::Bytes characterRects_;           // count and 44-byte records, as stored
  fields::Bytes texture_;                  // a reference
  fields::Bytes kerningPairs_;             // count and 8-byte entries, as stored
  std::int32_t pixelScale_ = 0;
  fields::Bytes fontData_;
  std::array<std::int32_t, 2> sizeAndAscent_{};
  std::int32_t descent_ = 0;  // where the release has one
  std::int32_t defaultStyle_ = 0;
  std::vector<fields::Bytes> fontNames_;
  fields::Bytes fallbackFonts_;  // count and references, as stored
  std::int32_t renderingMode_ = 0;
};
