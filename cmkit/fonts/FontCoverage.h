#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fonts {

// The characters of `wanted` (distinct, ascending) that the font maps to no glyph, ascending. A font
// with no Unicode character map lacks them all.
// Nothing when the bytes are not a whole TrueType or OpenType font, or collection, that FreeType can
// open: empty, truncated (a table reaching past the end), another format, or refused by FreeType.
// Throws std::bad_alloc when FreeType runs out of memory.
std::optional<std::u32string> missingCharacters(std::span<const std::uint8_t> font,
                                                const std::u32string& wanted);

}  // namespace fonts
