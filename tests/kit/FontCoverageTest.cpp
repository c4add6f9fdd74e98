// The font coverage check on fonts planted with known gaps, on a real CJK font, and on bytes that are
// no whole font; and the planted fonts as Windows' own font loader reads them.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fonts/FontCoverage.h"
#include "support/Files.h"
#include "support/TrueTypeBuilder.h"

using namespace testsupport;
using fonts::missingCharacters;

namespace {

std::u32string sortedCharacters(std::u32string text) {
  std::sort(text.begin(), text.end());
  text.erase(std::unique(text.begin(), text.end()), text.end());
  return text;
}

std::uint32_t read32(const Bytes& bytes, std::size_t at) {
  return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 |
         std::uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

// Where the table directory of a font that trueTypeFont made puts a table.
std::size_t tableOffset(const Bytes& font, const std::string& tag) {
  const std::size_t tables = std::size_t(font[4]) << 8 | font[5];
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t record = 12 + 16 * i;
    if (std::equal(tag.begin(), tag.end(), font.begin() + static_cast<std::ptrdiff_t>(record)))
      return read32(font, record + 8);
  }
  ADD_FAILURE() << "no table " << tag;
  return 0;
}

void append32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// The font as a WOFF file with its tables stored uncompressed, which Debian's FreeType opens.
Bytes asWoff(const Bytes& font) {
  const std::size_t tables = std::size_t(font[4]) << 8 | font[5];
  std::size_t sfntSize = 12 + 16 * tables;
  for (std::size_t i = 0; i < tables; ++i) sfntSize += (read32(font, 12 + 16 * i + 12) + 3) / 4 * 4;
  Bytes woff;
  append32(woff, 0x774F4646);  // "wOFF"
  append32(woff, read32(font, 0));
  append32(woff, 0);  // the length, once known
  woff.insert(woff.end(), {font[4], font[5], 0, 0});
  append32(woff, static_cast<std::uint32_t>(sfntSize));
  append32(woff, 0x00010000);
  for (int i = 0; i < 5; ++i) append32(woff, 0);  // no metadata, no private data
  std::size_t offset = 44 + 20 * tables;
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t record = 12 + 16 * i;
    const std::uint32_t length = read32(font, record + 12);
    woff.insert(woff.end(), font.begin() + static_cast<std::ptrdiff_t>(record),
                font.begin() + static_cast<std::ptrdiff_t>(record) + 4);
    append32(woff, static_cast<std::uint32_t>(offset));
    append32(woff, length);
    append32(woff, length);
    append32(woff, read32(font, record + 4));
    offset += (length + 3) / 4 * 4;
  }
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t record = 12 + 16 * i;
    const auto start = font.begin() + read32(font, record + 8);
    woff.insert(woff.end(), start, start + read32(font, record + 12));
    woff.resize((woff.size() + 3) / 4 * 4);
  }
  const auto length = static_cast<std::uint32_t>(woff.size());
  for (int i = 0; i < 4; ++i) woff[8 + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  return woff;
}

TEST(FontCoverage, NamesExactlyTheCharactersThePlantedFontLacks) {
  // ASCII with a gap inside a run, CJK, and a character beyond the BMP next to one that is missing.
  const Bytes font = trueTypeFont(U"ABCEFZ 汉化补丁中文\U00020BB7\U0001F600");
  const std::u32string wanted =
      sortedCharacters(U"ABCDEFGZ 汉化补丁字体中文\U00020BB7\U00020BB8\U0001F600\uFFFF");
  EXPECT_EQ(missingCharacters(font, wanted), U"DG体字\uFFFF\U00020BB8");

  // Only the BMP map, which holds one segment for each run.
  const Bytes bmpOnly = trueTypeFont(U"aceg");
  EXPECT_EQ(missingCharacters(bmpOnly, U"abcdefgh"), U"bdfh");
  EXPECT_EQ(missingCharacters(bmpOnly, U"\U00010000"), U"\U00010000");
}

TEST(FontCoverage, AFontCoveringEveryWantedCharacterLacksNothing) {
  std::u32string characters;
  for (char32_t c = 0x20; c < 0x7F; ++c) characters += c;
  for (char32_t c = 0x4E00; c <= 0x9FFF; ++c) characters += c;  // every unified CJK ideograph of the BMP
  characters += U"，。！？\U00020000";
  const Bytes font = trueTypeFont(characters);
  EXPECT_EQ(missingCharacters(font, sortedCharacters(characters)), U"");
  EXPECT_EQ(missingCharacters(font, U""), U"");
  EXPECT_EQ(missingCharacters(trueTypeFont(U""), U""), U"");
}

TEST(FontCoverage, FaceZeroOfACollection) {
  const Bytes collection =
      trueTypeCollection({trueTypeFont(U"汉化", "First"), trueTypeFont(U"补丁", "Second")});
  EXPECT_EQ(missingCharacters(collection, sortedCharacters(U"汉化补丁")), sortedCharacters(U"补丁"));
}

TEST(FontCoverage, AFontWithoutAUnicodeMapLacksEverything) {
  Bytes font = trueTypeFont(U"AB汉");
  // The only map, (3, 1), becomes a symbol map (3, 0); the font has no glyph names to make up for it.
  const std::size_t encoding = tableOffset(font, "cmap") + 4 + 2;
  ASSERT_EQ(font[encoding + 1], 1);
  font[encoding + 1] = 0;
  EXPECT_EQ(missingCharacters(font, U"AB汉"), U"AB汉");
}

TEST(FontCoverage, BytesThatAreNoWholeFontGiveNothing) {
  const Bytes font = trueTypeFont(U"AB汉化\U00020000");
  ASSERT_TRUE(missingCharacters(font, U"A").has_value());
  EXPECT_EQ(missingCharacters({}, U"A"), std::nullopt);
  // FreeType itself opens a font cut off inside its last table (post, which it can do without).
  for (std::size_t length = 0; length < font.size(); ++length) {
    EXPECT_EQ(missingCharacters(std::span(font.data(), length), U"A"), std::nullopt) << length << " bytes";
  }

  std::mt19937 random(20240501);
  for (std::size_t length : {4u, 12u, 100u, 4096u}) {
    Bytes noise(length);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    EXPECT_EQ(missingCharacters(noise, U"A"), std::nullopt) << length << " random bytes";
  }

  // Debian's FreeType opens a web font, which the game does not take and the Windows build cannot.
  EXPECT_EQ(missingCharacters(asWoff(font), U"A"), std::nullopt);

  // A collection whose only face lies past the end.
  Bytes collection = trueTypeCollection({font});
  collection[15] = 0xF0;
  EXPECT_EQ(missingCharacters(collection, U"A"), std::nullopt);
}

TEST(FontCoverage, CorruptedBytesAreReadSafely) {
  // Every byte of the font in turn set to values that make offsets, lengths and counts extreme; only
  // the absence of a crash (and of a sanitizer's report) is checked, the answer may be either.
  const Bytes font = trueTypeFont(U"AB汉化\U00020000");
  for (std::size_t i = 0; i < font.size(); ++i) {
    for (std::uint8_t value : {0x00, 0x7F, 0xFF}) {
      Bytes corrupted = font;
      corrupted[i] = value;
      const auto missing = missingCharacters(corrupted, U"AB汉化\U00020000");
      if (missing) {
        EXPECT_LE(missing->size(), 5u);
      }
    }
  }
}

#ifndef _WIN32
TEST(FontCoverage, ARealChineseFont) {
  const Bytes font = readFile("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc");
  ASSERT_FALSE(font.empty()) << "fonts-wqy-microhei is installed by scripts/deps";
  // It covers the unified ideographs of the BMP but not the first of extension A, nor extension B.
  EXPECT_EQ(missingCharacters(font, sortedCharacters(U"Patch 汉化补丁，龘\u3400\U00020000")),
            U"\u3400\U00020000");
}
#endif

#ifdef _WIN32
TEST(PlantedFont, WindowsFontLoaderFindsTheSameGlyphs) {
  const Bytes font = trueTypeFont(U"AZ汉化", "CoverageProbe");
  DWORD fonts = 0;
  HANDLE added = AddFontMemResourceEx(const_cast<std::uint8_t*>(font.data()), static_cast<DWORD>(font.size()),
                                      nullptr, &fonts);
  ASSERT_NE(added, nullptr);
  EXPECT_GE(fonts, 1u);  // a font for Chinese may also bring a vertical face

  LOGFONTW description{};
  description.lfHeight = -32;
  description.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(description.lfFaceName, L"CoverageProbe");
  HFONT handle = CreateFontIndirectW(&description);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, handle);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  EXPECT_STREQ(face, L"CoverageProbe") << "another font stood in for the planted one";
  // Glyphs are numbered in character order after .notdef: A 1, Z 2, 化 3, 汉 4.
  WORD glyphs[5] = {};
  ASSERT_EQ(GetGlyphIndicesW(dc, L"A汉Z化B", 5, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 5u);
  EXPECT_EQ(glyphs[0], 1);
  EXPECT_EQ(glyphs[1], 4);
  EXPECT_EQ(glyphs[2], 2);
  EXPECT_EQ(glyphs[3], 3);
  EXPECT_EQ(glyphs[4], 0xFFFF);

  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(handle);
  EXPECT_TRUE(RemoveFontMemResourceEx(added));
}
#endif

}  // namespace
