#include "fonts/FontCoverage.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

namespace fonts {
namespace {

std::optional<std::uint32_t> bigEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                                       std::size_t size) {
  if (offset > bytes.size() || bytes.size() - offset < size) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | bytes[offset + i];
  return value;
}

constexpr std::uint32_t tag(const char (&name)[5]) {
  return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
         std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

// FreeType drops a table that reaches past the end and opens the rest, so a cut-off file would pass
// with the character map it still holds while the game gets no glyphs from it. Debian's FreeType also
// opens formats that the game does not take and the Windows build leaves out (WOFF, Type 1, bitmap
// fonts); taking only sfnt files keeps the two builds' answers the same.
bool isWholeSfnt(std::span<const std::uint8_t> font) {
  std::optional<std::uint32_t> directory = 0;
  if (bigEndian(font, 0, 4) == tag("ttcf")) {
    const auto count = bigEndian(font, 8, 4);
    if (!count || *count == 0) return false;
    directory = bigEndian(font, 12, 4);
    if (!directory) return false;
  }
  const auto version = bigEndian(font, *directory, 4);
  if (version != 0x00010000u && version != tag("true") && version != tag("OTTO")) return false;
  const auto tables = bigEndian(font, *directory + 4, 2);
  if (!tables || *tables == 0) return false;
  for (std::size_t i = 0; i < *tables; ++i) {
    const std::size_t record = *directory + 12 + 16 * i;
    const auto offset = bigEndian(font, record + 8, 4);
    const auto length = bigEndian(font, record + 12, 4);
    if (!offset || !length || *offset > font.size() || *length > font.size() - *offset) return false;
  }
  return true;
}

struct LibraryDone {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDone {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDone>;
using Face = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDone>;

}  // namespace

std::optional<std::u32string> missingCharacters(std::span<const std::uint8_t> font,
                                                const std::u32string& wanted) {
  // FreeType takes the size as a long, 32 bits on Windows.
  if (font.size() > static_cast<std::size_t>(std::numeric_limits<FT_Long>::max()) || !isWholeSfnt(font))
    return std::nullopt;
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) throw std::bad_alloc();
  const Library library(rawLibrary);
  FT_Face rawFace = nullptr;
  const FT_Error error =
      FT_New_Memory_Face(library.get(), font.data(), static_cast<FT_Long>(font.size()), 0, &rawFace);
  // Running out of memory says nothing about the font, which may well be whole.
  if (error == FT_Err_Out_Of_Memory) throw std::bad_alloc();
  if (error != 0) return std::nullopt;
  const Face face(rawFace);

  // Without a Unicode map no character reaches a glyph, whatever other map the font has.
  std::u32string missing;
  if (FT_Select_Charmap(face.get(), FT_ENCODING_UNICODE) != 0) {
    missing = wanted;
  } else {
    for (const char32_t c : wanted) {
      if (FT_Get_Char_Index(face.get(), c) == 0) missing.push_back(c);
    }
  }
  std::sort(missing.begin(), missing.end());
  missing.erase(std::unique(missing.begin(), missing.end()), missing.end());
  return missing;
}

}  // namespace fonts
