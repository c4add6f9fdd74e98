#include "text/TranslationText.h"

#include "names/WindowsNames.h"
#include "text/UnicodeText.h"

namespace translation {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;

bool isShown(char32_t c) {
  const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
  const bool nonCharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
  return !control && !nonCharacter && c != kByteOrderMark;
}

}  // namespace

bool isTextFile(const std::wstring& path) {
  return windows_names::hasExtension(path, L".txt") || windows_names::hasExtension(path, L".xml");
}

std::optional<std::u32string> decodeText(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    return unicode::fromUtf16(bytes.subspan(2), false);
  if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
    return unicode::fromUtf16(bytes.subspan(2), true);
  return unicode::fromUtf8(bytes);
}

void addShownCharacters(Characters& characters, const std::u32string& text) {
  for (char32_t c : text) {
    if (isShown(c)) characters.insert(c);
  }
}

std::vector<std::uint8_t> wcharText(const Characters& characters) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (char32_t c : characters) {
    if (c != kReplacementCharacter) unicode::appendUtf16le(bytes, c);
  }
  unicode::appendUtf16le(bytes, kReplacementCharacter);
  return bytes;
}

}  // namespace translation
