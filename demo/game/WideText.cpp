#include "WideText.h"

namespace game {

void appendCharacter(std::wstring& text, char32_t character) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (character >= 0x10000) {
      const char32_t offset = character - 0x10000;
      text += static_cast<wchar_t>(0xD800 + (offset >> 10));
      text += static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
      return;
    }
  }
  text += static_cast<wchar_t>(character);
}

std::optional<std::wstring> wideFromUtf8(std::string_view bytes) {
  std::wstring text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    // The count of continuation bytes, the bits the lead byte carries and the smallest value
    // that needs that many bytes (anything smaller is an overlong form).
    int following = 0;
    char32_t character = lead;
    char32_t smallest = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
      following = 1;
      character = lead & 0x1F;
      smallest = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      following = 2;
      character = lead & 0x0F;
      smallest = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      following = 3;
      character = lead & 0x07;
      smallest = 0x10000;
    } else if (lead >= 0x80) {
      return std::nullopt;
    }
    if (bytes.size() - i <= static_cast<std::size_t>(following) && following > 0) return std::nullopt;
    for (int k = 1; k <= following; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      character = character << 6 | (next & 0x3F);
    }
    if (character < smallest || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
      return std::nullopt;
    }
    appendCharacter(text, character);
    i += 1 + following;
  }
  return text;
}

}  // namespace game
