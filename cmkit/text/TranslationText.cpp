#include "text/TranslationText.h"

#include <algorithm>
#include <cwctype>

namespace translation {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;

bool isSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

std::u32string decodeUtf8(std::span<const std::uint8_t> bytes, bool& valid) {
  std::u32string out;
  valid = true;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t lead = bytes[i];
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || length > bytes.size() - i) return valid = false, out;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return valid = false, out;
      c = c << 6 | (bytes[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not UTF-8.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || isSurrogate(c) || c > kLastCodePoint) return valid = false, out;
    out.push_back(c);
    i += length;
  }
  return out;
}

std::u32string decodeUtf16(std::span<const std::uint8_t> bytes, bool bigEndian, bool& valid) {
  std::u32string out;
  valid = bytes.size() % 2 == 0;
  auto unit = [&](std::size_t i) -> char32_t {
    return bigEndian ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i];
  };
  for (std::size_t i = 0; valid && i + 1 < bytes.size(); i += 2) {
    const char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return valid = false, out;
    if (c < 0xD800 || c > 0xDBFF) {
      out.push_back(c);
      continue;
    }
    if (i + 3 >= bytes.size()) return valid = false, out;
    const char32_t low = unit(i + 2);
    if (low < 0xDC00 || low > 0xDFFF) return valid = false, out;
    out.push_back(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
    i += 2;
  }
  return out;
}

void appendUtf16(std::vector<std::uint8_t>& bytes, char32_t c) {
  auto unit = [&](char32_t u) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  };
  if (c < 0x10000) return unit(c);
  unit(0xD800 + ((c - 0x10000) >> 10));
  unit(0xDC00 + ((c - 0x10000) & 0x3FF));
}

bool isShown(char32_t c) {
  const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
  const bool nonCharacter = (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
  return !control && !nonCharacter && c != kByteOrderMark;
}

}  // namespace

bool isTextFile(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos) return false;
  std::wstring extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return extension == L".txt" || extension == L".xml";
}

std::optional<std::u32string> decodeText(std::span<const std::uint8_t> bytes) {
  bool valid = false;
  std::u32string text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    text = decodeUtf16(bytes.subspan(2), false, valid);
  } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    text = decodeUtf16(bytes.subspan(2), true, valid);
  } else {
    text = decodeUtf8(bytes, valid);
  }
  if (!valid) return std::nullopt;
  return text;
}

void addShownCharacters(Characters& characters, const std::u32string& text) {
  for (char32_t c : text) {
    if (isShown(c)) characters.insert(c);
  }
}

std::vector<std::uint8_t> wcharText(const Characters& characters) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (char32_t c : characters) {
    if (c != kReplacementCharacter) appendUtf16(bytes, c);
  }
  appendUtf16(bytes, kReplacementCharacter);
  return bytes;
}

std::wstring toWide(const std::u32string& characters) {
  std::wstring wide;
  for (char32_t c : characters) {
    if constexpr (sizeof(wchar_t) == 2) {
      std::vector<std::uint8_t> units;
      appendUtf16(units, c);
      for (std::size_t i = 0; i < units.size(); i += 2) {
        wide.push_back(static_cast<wchar_t>(units[i] | units[i + 1] << 8));
      }
    } else {
      wide.push_back(static_cast<wchar_t>(c));
    }
  }
  return wide;
}

}  // namespace translation
