#include "text/UnicodeText.h"

namespace unicode {
namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;

bool isSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// The UTF-16 units of a character: one, or a surrogate pair.
template <typename Put>
void forEachUnit(char32_t c, const Put& put) {
  if (c < 0x10000) return put(c);
  put(0xD800 + ((c - 0x10000) >> 10));
  put(0xDC00 + ((c - 0x10000) & 0x3FF));
}

}  // namespace

std::optional<std::u32string> fromUtf8(std::span<const std::uint8_t> bytes) {
  std::u32string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t lead = bytes[i];
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || length > bytes.size() - i) return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) return std::nullopt;
      c = c << 6 | (bytes[i + k] & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || isSurrogate(c) || c > kLastCodePoint) return std::nullopt;
    out.push_back(c);
    i += length;
  }
  return out;
}

std::optional<std::u32string> fromUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  auto unit = [&](std::size_t i) -> char32_t {
    return bigEndian ? bytes[i] << 8 | bytes[i + 1] : bytes[i + 1] << 8 | bytes[i];
  };
  std::u32string out;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const char32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c < 0xD800 || c > 0xDBFF) {
      out.push_back(c);
      continue;
    }
    if (i + 3 >= bytes.size()) return std::nullopt;
    const char32_t low = unit(i + 2);
    if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
    out.push_back(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
    i += 2;
  }
  return out;
}

void appendUtf16le(std::vector<std::uint8_t>& bytes, char32_t character) {
  forEachUnit(character, [&](char32_t u) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  });
}

std::wstring toWide(const std::u32string& text) {
  std::wstring wide;
  for (char32_t c : text) {
    if constexpr (sizeof(wchar_t) == 2) {
      forEachUnit(c, [&](char32_t u) { wide.push_back(static_cast<wchar_t>(u)); });
    } else {
      wide.push_back(static_cast<wchar_t>(c));
    }
  }
  return wide;
}

}  // namespace unicode
