#include "text/TranslationText.h"

#include <algorithm>

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

enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian };

// UTF-16 by its byte-order mark, UTF-8 otherwise.
Encoding encodingOf(std::span<const std::uint8_t> start) {
  if (start.size() >= 2 && start[0] == 0xFF && start[1] == 0xFE) return Encoding::Utf16LittleEndian;
  if (start.size() >= 2 && start[0] == 0xFE && start[1] == 0xFF) return Encoding::Utf16BigEndian;
  return Encoding::Utf8;
}

// The bytes of the byte-order mark that told the encoding, which are not part of the text.
std::size_t markLength(Encoding encoding) {
  return encoding == Encoding::Utf8 ? 0 : 2;
}

// The bytes of a UTF-8 sequence that the lead byte opens; 1 for a byte that opens none.
std::size_t sequenceLength(std::uint8_t lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

// How much of the bytes ends with a whole character: a piece is cut there, and the rest waits for
// the next one. Bytes that make no character are left in, for the decoder to refuse.
std::size_t wholeCharacters(std::span<const std::uint8_t> bytes, Encoding encoding) {
  if (encoding == Encoding::Utf8) {
    std::size_t continuations = 0;
    while (continuations < 3 && continuations < bytes.size() &&
           (bytes[bytes.size() - 1 - continuations] & 0xC0) == 0x80) {
      ++continuations;
    }
    if (continuations == bytes.size()) return bytes.size();
    const std::size_t lead = bytes.size() - 1 - continuations;
    return continuations + 1 < sequenceLength(bytes[lead]) ? lead : bytes.size();
  }
  std::size_t end = bytes.size() & ~std::size_t{1};
  if (end >= 2) {
    const bool bigEndian = encoding == Encoding::Utf16BigEndian;
    const unsigned unit =
        bigEndian ? bytes[end - 2] << 8 | bytes[end - 1] : bytes[end - 1] << 8 | bytes[end - 2];
    if (unit >= 0xD800 && unit <= 0xDBFF) end -= 2;  // a high surrogate waits for its low one
  }
  return end;
}

std::optional<std::u32string> decode(std::span<const std::uint8_t> bytes, Encoding encoding) {
  if (encoding == Encoding::Utf8) return unicode::fromUtf8(bytes);
  return unicode::fromUtf16(bytes, encoding == Encoding::Utf16BigEndian);
}

}  // namespace

bool isTextFile(const std::wstring& path) {
  return windows_names::hasExtension(path, L".txt") || windows_names::hasExtension(path, L".xml");
}

std::optional<std::u32string> decodeText(std::span<const std::uint8_t> bytes) {
  const Encoding encoding = encodingOf(bytes);
  return decode(bytes.subspan(markLength(encoding)), encoding);
}

void addShownCharacters(Characters& characters, const std::u32string& text) {
  for (char32_t c : text) {
    if (isShown(c)) characters.insert(c);
  }
}

bool addShownCharacters(Characters& characters, const ByteRegion& file) {
  constexpr std::uint64_t kPieceLength = 1 << 20;
  const Encoding encoding = encodingOf(file.bytes(0, std::min<std::uint64_t>(2, file.size())));
  std::uint64_t offset = markLength(encoding);
  std::vector<std::uint8_t> pending;
  while (offset < file.size()) {
    const std::uint64_t length = std::min(kPieceLength, file.size() - offset);
    const std::vector<std::uint8_t> piece = file.bytes(offset, length);
    if (file.failed()) return false;
    pending.insert(pending.end(), piece.begin(), piece.end());
    offset += length;
    const std::size_t whole = offset == file.size() ? pending.size() : wholeCharacters(pending, encoding);
    const std::optional<std::u32string> text = decode(std::span(pending).first(whole), encoding);
    if (!text) return false;
    addShownCharacters(characters, *text);
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(whole));
  }
  return !file.failed();
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
