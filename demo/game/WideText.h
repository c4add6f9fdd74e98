#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text for the Windows wide-character functions: UTF-16 where wchar_t has 16 bits (Windows), one
// code point per wchar_t where it has 32 (Linux).
namespace game {

// Appends a Unicode scalar value (not a surrogate, at most U+10FFFF).
void appendCharacter(std::wstring& text, char32_t character);

// Strict UTF-8: nothing for overlong forms, surrogates, values past U+10FFFF or cut sequences.
std::optional<std::wstring> wideFromUtf8(std::string_view bytes);

}  // namespace game
