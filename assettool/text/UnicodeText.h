#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Unicode text read strictly from its encoded forms, for the kit (the translation's files) and the
// demo game (its tables and its fonts' names).
namespace unicode {

// Strict UTF-8: nothing for overlong forms, surrogates, values past U+10FFFF or cut sequences.
std::optional<std::u32string> fromUtf8(std::span<const std::uint8_t> bytes);

// UTF-16 in the byte order given: nothing for an odd length or a surrogate without its pair.
std::optional<std::u32string> fromUtf16(std::span<const std::uint8_t> bytes, bool bigEndian);

// The character as UTF-16LE, appended.
void appendUtf16le(std::vector<std::uint8_t>& bytes, char32_t character);

// The text for the wide-character functions: UTF-16 where wchar_t has 16 bits (Windows), one code
// point per wchar_t where it has 32 (Linux).
std::wstring toWide(const std::u32string& text);

}  // namespace unicode
