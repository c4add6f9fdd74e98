#include "support/TrueTypeBuilder.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <vector>

namespace testsupport {
namespace {

constexpr int kUnitsPerEm = 1000;
constexpr int kAscender = 800;
constexpr int kDescender = -200;
constexpr int kAdvance = 1000;
// The square every glyph draws, clockwise as TrueType fills outer contours.
constexpr int kLeft = 100, kBottom = 0, kRight = 900, kTop = 700;

class Writer {
 public:
  void u8(std::uint8_t value) { out.push_back(value); }
  void u16(std::uint32_t value) {
    u8(static_cast<std::uint8_t>(value >> 8));
    u8(static_cast<std::uint8_t>(value));
  }
  void s16(std::int32_t value) { u16(static_cast<std::uint16_t>(value)); }
  void u32(std::uint32_t value) {
    u16(value >> 16);
    u16(value & 0xFFFF);
  }
  void tag(const char (&name)[5]) { out.insert(out.end(), name, name + 4); }
  void zeros(std::size_t count) { out.insert(out.end(), count, 0); }
  void put32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  }
  Bytes out;
};

std::uint32_t checksum(const Bytes& bytes, std::size_t from, std::size_t length) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < length; i += 4) {
    std::uint32_t word = 0;
    for (std::size_t j = 0; j < 4; ++j) word = word << 8 | (i + j < length ? bytes[from + i + j] : 0);
    sum += word;
  }
  return sum;
}

// Runs of consecutive characters, which consecutive glyphs draw: the first glyph of each run.
struct Run {
  char32_t first;
  char32_t last;
  std::uint16_t glyph;
};

std::vector<Run> runsOf(const std::u32string& sorted) {
  std::vector<Run> runs;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const auto glyph = static_cast<std::uint16_t>(i + 1);
    if (!runs.empty() && runs.back().last + 1 == sorted[i]) {
      runs.back().last = sorted[i];
    } else {
      runs.push_back({sorted[i], sorted[i], glyph});
    }
  }
  return runs;
}

// U+FFFF stays out: format 4 ends with a segment of its own for it.
Bytes format4(const std::vector<Run>& runs) {
  std::vector<Run> segments;
  for (const Run& run : runs) {
    if (run.first > 0xFFFE) break;
    segments.push_back({run.first, std::min<char32_t>(run.last, 0xFFFE), run.glyph});
  }
  segments.push_back({0xFFFF, 0xFFFF, 0});
  const std::size_t count = segments.size();
  const std::size_t length = 16 + 8 * count;
  if (length > 0xFFFF) throw std::invalid_argument("too many runs of BMP characters for a format 4 map");
  std::uint16_t power = 1, log = 0;
  while (power * 2 <= count) power *= 2, ++log;
  Writer w;
  w.u16(4);
  w.u16(static_cast<std::uint32_t>(length));
  w.u16(0);
  w.u16(static_cast<std::uint32_t>(2 * count));
  w.u16(2 * power);
  w.u16(log);
  w.u16(static_cast<std::uint32_t>(2 * count - 2 * power));
  for (const Run& s : segments) w.u16(s.last);
  w.u16(0);
  for (const Run& s : segments) w.u16(s.first);
  for (const Run& s : segments) w.u16((s.glyph - s.first) & 0xFFFF);
  for (std::size_t i = 0; i < count; ++i) w.u16(0);
  return w.out;
}

Bytes format12(const std::vector<Run>& runs) {
  Writer w;
  w.u16(12);
  w.u16(0);
  w.u32(static_cast<std::uint32_t>(16 + 12 * runs.size()));
  w.u32(0);
  w.u32(static_cast<std::uint32_t>(runs.size()));
  for (const Run& run : runs) {
    w.u32(run.first);
    w.u32(run.last);
    w.u32(run.glyph);
  }
  return w.out;
}

Bytes cmapTable(const std::vector<Run>& runs) {
  const bool beyondBmp = !runs.empty() && runs.back().last > 0xFFFE;
  std::vector<Bytes> maps{format4(runs)};
  if (beyondBmp) maps.push_back(format12(runs));
  Writer w;
  w.u16(0);
  w.u16(static_cast<std::uint32_t>(maps.size()));
  std::uint32_t offset = 4 + 8 * static_cast<std::uint32_t>(maps.size());
  const std::uint16_t encodings[] = {1, 10};  // Windows: Unicode BMP, Unicode full
  for (std::size_t i = 0; i < maps.size(); ++i) {
    w.u16(3);
    w.u16(encodings[i]);
    w.u32(offset);
    offset += static_cast<std::uint32_t>(maps[i].size());
  }
  for (const Bytes& map : maps) w.out.insert(w.out.end(), map.begin(), map.end());
  return w.out;
}

Bytes squareGlyph() {
  Writer w;
  w.s16(1);
  w.s16(kLeft);
  w.s16(kBottom);
  w.s16(kRight);
  w.s16(kTop);
  w.u16(3);                                // the contour ends at point 3
  w.u16(0);                                // no instructions
  for (int i = 0; i < 4; ++i) w.u8(0x01);  // on the curve, coordinates as 16-bit deltas
  for (int dx : {kLeft, 0, kRight - kLeft, 0}) w.s16(dx);
  for (int dy : {kBottom, kTop - kBottom, 0, kBottom - kTop}) w.s16(dy);
  w.zeros(2);  // to a multiple of four
  return w.out;
}

Bytes headTable() {
  Writer w;
  w.u32(0x00010000);
  w.u32(0x00010000);  // revision 1.0
  w.u32(0);           // checksum adjustment, set once the whole font is laid out
  w.u32(0x5F0F3CF5);
  w.u16(0x000B);  // baseline and left side bearing at 0, integer scaling
  w.u16(kUnitsPerEm);
  for (int i = 0; i < 2; ++i) {  // created and modified, in seconds since 1904: in 2023
    w.u32(0);
    w.u32(0xE0000000);
  }
  w.s16(kLeft);
  w.s16(kBottom);
  w.s16(kRight);
  w.s16(kTop);
  w.u16(0);  // regular
  w.u16(8);  // smallest readable size in pixels
  w.s16(2);
  w.s16(1);  // long offsets in loca
  w.s16(0);
  return w.out;
}

Bytes hheaTable(std::uint16_t glyphs) {
  Writer w;
  w.u32(0x00010000);
  w.s16(kAscender);
  w.s16(kDescender);
  w.s16(0);
  w.u16(kAdvance);
  w.s16(kLeft);
  w.s16(kAdvance - kRight);
  w.s16(kRight);
  w.s16(1);  // upright caret
  w.s16(0);
  w.s16(0);
  w.zeros(8);
  w.s16(0);
  w.u16(glyphs);
  return w.out;
}

Bytes maxpTable(std::uint16_t glyphs) {
  Writer w;
  w.u32(0x00010000);
  w.u16(glyphs);
  w.u16(4);  // points
  w.u16(1);  // contours
  w.u16(0);
  w.u16(0);
  w.u16(2);  // zones: the twilight zone and the glyph's
  w.zeros(16);
  return w.out;
}

Bytes os2Table(const std::u32string& sorted) {
  Writer w;
  w.u16(4);
  w.s16(kAdvance);
  w.u16(400);                                                           // normal weight
  w.u16(5);                                                             // normal width
  w.u16(0);                                                             // installable embedding
  for (int v : {650, 600, 0, 75, 650, 600, 0, 350, 50, 250}) w.s16(v);  // sub- and superscripts, strikeout
  w.s16(0);
  w.zeros(10);  // PANOSE
  for (std::uint32_t range : {0x00000001u, 0x00000000u, 0x00000000u, 0x00000000u}) w.u32(range);
  w.tag("TEST");
  w.u16(0x0040);  // regular
  const auto clamp = [](char32_t c) { return static_cast<std::uint16_t>(std::min<char32_t>(c, 0xFFFF)); };
  w.u16(sorted.empty() ? 0 : clamp(sorted.front()));
  w.u16(sorted.empty() ? 0 : clamp(sorted.back()));
  w.s16(kAscender);
  w.s16(kDescender);
  w.s16(0);
  w.u16(kAscender);
  w.u16(-kDescender);
  w.u32((1u << 0) | (1u << 18));  // code pages: Latin 1, Simplified Chinese
  w.u32(0);
  w.s16(500);
  w.s16(kTop);
  w.u16(0);
  w.u16(0x20);
  w.u16(1);
  return w.out;
}

Bytes nameTable(const std::string& family) {
  const std::map<std::uint16_t, std::string> names{{1, family}, {2, "Regular"},     {3, family + " Regular"},
                                                   {4, family}, {5, "Version 1.0"}, {6, family}};
  Writer w;
  w.u16(0);
  w.u16(static_cast<std::uint32_t>(names.size()));
  w.u16(static_cast<std::uint32_t>(6 + 12 * names.size()));
  Bytes strings;
  for (const auto& [id, text] : names) {
    std::string value = text;
    if (id == 6) value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    w.u16(3);       // Windows
    w.u16(1);       // Unicode BMP
    w.u16(0x0409);  // English (United States)
    w.u16(id);
    w.u16(static_cast<std::uint32_t>(2 * value.size()));
    w.u16(static_cast<std::uint32_t>(strings.size()));
    for (char c : value) {
      strings.push_back(0);
      strings.push_back(static_cast<std::uint8_t>(c));
    }
  }
  w.out.insert(w.out.end(), strings.begin(), strings.end());
  return w.out;
}

Bytes postTable() {
  Writer w;
  w.u32(0x00030000);  // no glyph names
  w.u32(0);
  w.s16(-100);
  w.s16(50);
  w.u32(1);  // every glyph as wide
  w.zeros(16);
  return w.out;
}

}  // namespace

Bytes trueTypeFont(const std::u32string& characters, const std::string& familyName) {
  std::u32string sorted = characters;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  if (sorted.size() > 65534) throw std::invalid_argument("more characters than a font has glyphs");
  for (char32_t c : sorted) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) throw std::invalid_argument("not a Unicode character");
  }
  const auto glyphs = static_cast<std::uint16_t>(sorted.size() + 1);  // with .notdef, glyph 0

  const Bytes square = squareGlyph();
  Writer glyf, loca, hmtx;
  for (std::uint16_t g = 0; g < glyphs; ++g) {
    loca.u32(static_cast<std::uint32_t>(glyf.out.size()));
    glyf.out.insert(glyf.out.end(), square.begin(), square.end());
    hmtx.u16(kAdvance);
    hmtx.s16(kLeft);
  }
  loca.u32(static_cast<std::uint32_t>(glyf.out.size()));

  // By tag, as the table directory lists them.
  const std::vector<std::pair<std::string, Bytes>> tables{
      {"OS/2", os2Table(sorted)}, {"cmap", cmapTable(runsOf(sorted))}, {"glyf", glyf.out},
      {"head", headTable()},      {"hhea", hheaTable(glyphs)},         {"hmtx", hmtx.out},
      {"loca", loca.out},         {"maxp", maxpTable(glyphs)},         {"name", nameTable(familyName)},
      {"post", postTable()}};

  Writer font;
  const auto count = static_cast<std::uint16_t>(tables.size());
  std::uint16_t power = 1, log = 0;
  while (power * 2 <= count) power *= 2, ++log;
  font.u32(0x00010000);
  font.u16(count);
  font.u16(16 * power);
  font.u16(log);
  font.u16(16 * count - 16 * power);
  std::size_t offset = 12 + 16 * tables.size();
  std::size_t headOffset = 0;
  for (const auto& [name, bytes] : tables) {
    font.out.insert(font.out.end(), name.begin(), name.end());
    font.u32(checksum(bytes, 0, bytes.size()));
    font.u32(static_cast<std::uint32_t>(offset));
    font.u32(static_cast<std::uint32_t>(bytes.size()));
    if (name == "head") headOffset = offset;
    offset += (bytes.size() + 3) / 4 * 4;
  }
  for (const auto& [name, bytes] : tables) {
    font.out.insert(font.out.end(), bytes.begin(), bytes.end());
    font.zeros((4 - bytes.size() % 4) % 4);
  }
  font.put32(headOffset + 8, 0xB1B0AFBA - checksum(font.out, 0, font.out.size()));
  return font.out;
}

Bytes trueTypeCollection(const std::vector<Bytes>& fonts) {
  Writer collection;
  collection.tag("ttcf");
  collection.u32(0x00010000);
  collection.u32(static_cast<std::uint32_t>(fonts.size()));
  std::size_t base = 12 + 4 * fonts.size();
  for (const Bytes& font : fonts) {
    collection.u32(static_cast<std::uint32_t>(base));
    base += font.size();
  }
  // Table offsets count from the start of the file, which is now the collection's.
  for (const Bytes& font : fonts) {
    const std::size_t start = collection.out.size();
    collection.out.insert(collection.out.end(), font.begin(), font.end());
    const std::size_t tables = std::size_t(font[4]) << 8 | font[5];
    for (std::size_t i = 0; i < tables; ++i) {
      const std::size_t field = start + 12 + 16 * i + 8;
      std::uint32_t offset = 0;
      for (int j = 0; j < 4; ++j) offset = offset << 8 | collection.out[field + j];
      collection.put32(field, static_cast<std::uint32_t>(offset + start));
    }
  }
  return collection.out;
}

}  // namespace testsupport
