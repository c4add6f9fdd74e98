#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "stream/ByteRegion.h"

// The characters of a translation: what its text files show in the game. The fonts must have a
// glyph for each, and the uninstall archive's wchar.txt lists them.
namespace translation {

using Characters = std::set<char32_t>;

// Whether the file is one of the translation's texts: a .txt or .xml file (in any letter case).
bool isTextFile(const std::wstring& path);

// The code points of a text file: UTF-8, with or without a byte-order mark, or UTF-16 with one;
// nothing when the bytes are neither.
std::optional<std::u32string> decodeText(std::span<const std::uint8_t> bytes);

// Adds the characters that the text shows: control characters, byte-order marks and
// noncharacters are not shown.
void addShownCharacters(Characters& characters, const std::u32string& text);
// The same for a text file as decodeText reads it, read and decoded a piece at a time, so that a
// text of any size takes little memory. False when it cannot be read or is not such a text; the
// characters of the pieces before may have been added then.
bool addShownCharacters(Characters& characters, const ByteRegion& file);

// wchar.txt: UTF-16LE with a byte-order mark, the characters in ascending order, then U+FFFD.
std::vector<std::uint8_t> wcharText(const Characters& characters);

}  // namespace translation
