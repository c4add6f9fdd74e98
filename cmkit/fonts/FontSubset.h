#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Fonts cut to the characters of a translation with HarfBuzz's subsetter.
namespace fonts {

enum class SubsetFailure {
  Unreadable,    // not a TrueType or OpenType font or collection HarfBuzz can read
  NoSuchFace,    // the index is past the faces of the file
  NotSubsetted,  // the subsetter could not cut the face
};

// The number of faces: 1 for a single font, the count of a collection, 0 for what is no font.
unsigned faceCount(std::span<const std::uint8_t> font);

// The face at the index, as a single font holding the glyphs of the characters and whatever they
// are drawn with (the parts of composite glyphs, the hinting), and the names of the family in every
// language. Characters the face lacks are not there either.
std::optional<std::vector<std::uint8_t>> subset(std::span<const std::uint8_t> font, unsigned index,
                                                const std::u32string& characters, SubsetFailure& failure);

}  // namespace fonts
