#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace game {

// The family names a TrueType or OpenType font (or the first font of a collection) gives itself in
// its name table, best first, each once: the family (name ID 1), which is the name Windows knows the
// font by, then the typographic family (name ID 16) where there is one. Within each, Windows'
// Unicode records come first (platform 3, encoding 1; English, United States, first), then the
// other UTF-16 ones, then Macintosh records that are plain ASCII. Nothing when the bytes are no
// such font or name no family.
std::vector<std::wstring> fontFamilyNames(std::span<const std::uint8_t> font);

}  // namespace game
