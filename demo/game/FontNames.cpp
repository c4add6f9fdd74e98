#include "FontNames.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "stream/AssetStream.h"
#include "text/UnicodeText.h"

namespace game {
namespace {

constexpr std::uint32_t tagOf(const char (&text)[5]) {
  return std::uint32_t{static_cast<unsigned char>(text[0])} << 24 |
         std::uint32_t{static_cast<unsigned char>(text[1])} << 16 |
         std::uint32_t{static_cast<unsigned char>(text[2])} << 8 | static_cast<unsigned char>(text[3]);
}

constexpr std::uint32_t kTrueType = 0x00010000;
constexpr std::uint16_t kFamily = 1;
constexpr std::uint16_t kTypographicFamily = 16;
constexpr std::uint16_t kUnicodePlatform = 0;
constexpr std::uint16_t kMacintosh = 1;
constexpr std::uint16_t kWindows = 3;
constexpr std::uint16_t kEnglishUnitedStates = 0x0409;

std::uint32_t readUInt32(AssetStream& stream) {
  return static_cast<std::uint32_t>(stream.readInt32());
}

struct NameRecord {
  std::uint16_t platform = 0;
  std::uint16_t encoding = 0;
  std::uint16_t language = 0;
  std::uint16_t nameId = 0;
  std::uint16_t length = 0;
  std::uint16_t offset = 0;
};

// Lower ranks are better; nothing for a record that names no family or whose text cannot be read.
std::optional<std::tuple<int, int, int>> rankOf(const NameRecord& record) {
  if (record.nameId != kFamily && record.nameId != kTypographicFamily) return std::nullopt;
  const int nameRank = record.nameId == kFamily ? 0 : 1;
  if (record.platform == kWindows) {
    static constexpr std::uint16_t kEncodings[] = {1, 10, 0};  // Unicode BMP, full Unicode, symbol
    const auto* found = std::find(std::begin(kEncodings), std::end(kEncodings), record.encoding);
    if (found == std::end(kEncodings)) return std::nullopt;
    const int encodingRank = static_cast<int>(found - std::begin(kEncodings));
    return std::tuple{nameRank, encodingRank, record.language == kEnglishUnitedStates ? 0 : 1};
  }
  if (record.platform == kUnicodePlatform) return std::tuple{nameRank, 3, 0};
  if (record.platform == kMacintosh && record.encoding == 0)
    return std::tuple{nameRank, 4, record.language == 0 ? 0 : 1};
  return std::nullopt;
}

std::optional<std::wstring> utf16BigEndian(const std::vector<std::uint8_t>& bytes) {
  const std::optional<std::u32string> text = unicode::fromUtf16(bytes, true);
  if (!text) return std::nullopt;
  return unicode::toWide(*text);
}

std::optional<std::wstring> ascii(const std::vector<std::uint8_t>& bytes) {
  std::wstring text;
  for (std::uint8_t byte : bytes) {
    if (byte >= 0x80) return std::nullopt;
    text += static_cast<wchar_t>(byte);
  }
  return text;
}

// Where the name table lies in the font: an offset and a length inside its bytes.
std::optional<std::pair<std::uint32_t, std::uint32_t>> nameTableOf(std::span<const std::uint8_t> font) {
  AssetStream stream(font);
  stream.setBigEndian(true);
  std::uint32_t version = readUInt32(stream);
  if (version == tagOf("ttcf")) {
    stream.readInt32();
    if (readUInt32(stream) == 0) return std::nullopt;
    stream.seek(readUInt32(stream));
    version = readUInt32(stream);
  }
  if (version != kTrueType && version != tagOf("OTTO") && version != tagOf("true")) return std::nullopt;
  const std::uint16_t tables = stream.readUInt16();
  stream.seek(stream.position() + 6);
  for (std::uint16_t i = 0; i < tables && !stream.failed(); ++i) {
    const std::uint32_t tag = readUInt32(stream);
    stream.readInt32();  // checksum
    const std::uint32_t offset = readUInt32(stream);
    const std::uint32_t length = readUInt32(stream);
    if (stream.failed() || tag != tagOf("name")) continue;
    if (std::uint64_t{offset} + length > font.size()) return std::nullopt;
    return std::pair{offset, length};
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::wstring> fontFamilyNames(std::span<const std::uint8_t> font) {
  const auto place = nameTableOf(font);
  if (!place) return {};
  AssetStream table(font.subspan(place->first, place->second));
  table.setBigEndian(true);
  table.readUInt16();  // format
  const std::uint16_t count = table.readUInt16();
  const std::uint16_t stringsStart = table.readUInt16();
  std::vector<NameRecord> records;
  for (std::uint16_t i = 0; i < count; ++i) {
    NameRecord r;
    r.platform = table.readUInt16();
    r.encoding = table.readUInt16();
    r.language = table.readUInt16();
    r.nameId = table.readUInt16();
    r.length = table.readUInt16();
    r.offset = table.readUInt16();
    if (table.failed()) return {};
    records.push_back(r);
  }

  std::vector<std::pair<std::tuple<int, int, int>, std::wstring>> found;
  for (const NameRecord& r : records) {
    const auto rank = rankOf(r);
    if (!rank) continue;
    const std::uint64_t start = std::uint64_t{stringsStart} + r.offset;
    if (start + r.length > place->second) continue;
    table.seek(static_cast<std::int64_t>(start));
    const std::vector<std::uint8_t> bytes = table.readBytes(r.length);
    const std::optional<std::wstring> text = r.platform == kMacintosh ? ascii(bytes) : utf16BigEndian(bytes);
    if (!text || text->empty() || text->find(L'\0') != std::wstring::npos) continue;
    found.emplace_back(*rank, *text);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::wstring> names;
  for (const auto& [rank, text] : found) {
    if (std::find(names.begin(), names.end(), text) == names.end()) names.push_back(text);
  }
  return names;
}

}  // namespace game
