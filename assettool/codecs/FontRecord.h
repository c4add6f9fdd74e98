#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/ObjectFields.h"

// The data of a Font object. A .ttf file replaces the embedded font and a .rect file the block of
// character rectangles; everything else is carried over as read.
class FontRecord {
 public:
  // The .rect file beside a .ttf file: its extension replaced.
  static std::wstring rectPath(const std::wstring& ttfPath);

  // False when a count or length is negative or the fields run past the object's bytes.
  bool parse(std::span<const std::uint8_t> bytes, std::int32_t formatVersion);
  // Takes the font file at the .ttf path and the rectangles of the .rect file beside it, whichever
  // exist. False when one exists but cannot be read; the record is then unchanged.
  bool importFont(const std::wstring& ttfPath);
  std::int32_t write(AssetStream& stream) const;

  const fields::Bytes& name() const { return name_; }
  const fields::Bytes& characterRects() const { return characterRects_; }
  const fields::Bytes& fontData() const { return fontData_; }

 private:
  std::int32_t formatVersion_ = 0;
  fields::Bytes name_;
  std::array<std::int32_t, 8> metrics_{};
  fields::Bytes characterRects_;  // count and 44-byte records, as stored
  std::array<std::int32_t, 2> newerPair_{};
  std::array<std::int32_t, 2> pair_{};
  fields::Bytes kerningPairs_;  // count and 8-byte entries, as stored
  std::int32_t spacing_ = 0;
  fields::Bytes fontData_;
  std::array<std::int32_t, 3> settings_{};
  std::vector<fields::Bytes> fontNames_;
  fields::Bytes fontReferences_;  // count and 8-byte entries, as stored
  std::int32_t last_ = 0;
};
