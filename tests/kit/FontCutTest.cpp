// cmkit font: a face of a font or collection cut to the translation's characters and printable
// ASCII, as one font that FreeType and Windows load, or nothing written with a line saying why.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include "commands/FontCommand.h"
#include "fonts/FontCoverage.h"
#include "fonts/FontSubset.h"
#include "support/Files.h"
#include "support/TrueTypeBuilder.h"

using namespace testsupport;

namespace {

std::u32string printableAscii() {
  std::u32string ascii;
  for (char32_t c = U' '; c <= U'~'; ++c) ascii += c;
  return ascii;
}

// Whether the font's bytes hold the family name as the Windows name records store it (UTF-16BE).
bool namesFamily(const Bytes& font, const std::string& family) {
  Bytes name;
  for (char c : family) name.insert(name.end(), {0, static_cast<std::uint8_t>(c)});
  return std::search(font.begin(), font.end(), name.begin(), name.end()) != font.end();
}

class FontCut : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(collection(),
              trueTypeCollection({trueTypeFont(printableAscii() + U"灰烬", "FirstFace"),
                                  trueTypeFont(printableAscii() + U"汉化补丁灰烬龘", "SecondFace")}));
    writeFile(dir_ / "text" / "Localization.txt", Bytes{0xE6, 0xB1, 0x89, 0xE5, 0x8C, 0x96, '\n'});  // 汉化
    writeFile(dir_ / "text" / "Credits.xml", Bytes{0xE8, 0xA1, 0xA5, 0xE4, 0xB8, 0x81});             // 补丁
  }
  std::filesystem::path collection() const { return dir_ / "fonts.ttc"; }
  std::filesystem::path output() const { return dir_ / "out" / "Body.ttf"; }

  std::vector<std::wstring> cut(FontOptions options, int expectedStatus) {
    if (options.font.empty()) options.font = collection().wstring();
    options.output = output().wstring();
    std::vector<std::wstring> lines;
    EXPECT_EQ(cutFont(options, [&](std::wstring_view line) { lines.emplace_back(line); }), expectedStatus);
    return lines;
  }

  TempDirectory dir_;
};

TEST_F(FontCut, AFaceOfACollectionIsCutToTheTextAndPrintableAscii) {
  FontOptions options;
  options.index = 1;
  options.text = (dir_ / "text").wstring();
  const std::vector<std::wstring> lines = cut(options, 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with(L"已生成：" + output().wstring() + L"（99 个字符，")) << lines[0].size();

  const Bytes font = readFile(output());
  EXPECT_EQ(fonts::faceCount(font), 1u) << "one font, not a collection";
  EXPECT_EQ(fonts::missingCharacters(font, printableAscii() + U"丁补化汉"), U"") << "the text and ASCII kept";
  EXPECT_EQ(fonts::missingCharacters(font, U"灰烬龘"), U"灰烬龘") << "nothing else";
  EXPECT_TRUE(namesFamily(font, "SecondFace"));
  EXPECT_LT(font.size(), readFile(collection()).size());
}

TEST_F(FontCut, WithoutATextOnlyAsciiIsKeptAndSaidSo) {
  const std::vector<std::wstring> lines = cut({}, 0);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"未给出译文（--text），字体只保留可打印的 ASCII 字符。");
  const Bytes font = readFile(output());
  EXPECT_EQ(fonts::missingCharacters(font, printableAscii() + U"灰"), U"灰");
  EXPECT_TRUE(namesFamily(font, "FirstFace"));
}

// Nothing is written for a file that is no font, a face past the collection, or a text the face
// cannot show whole.
TEST_F(FontCut, RefusesWhatItCannotCutAndWritesNothing) {
  writeFile(dir_ / "garbage.ttf", Bytes(300, 0x42));
  FontOptions notAFont;
  notAFont.font = (dir_ / "garbage.ttf").wstring();
  EXPECT_EQ(cut(notAFont, 1).back(), L"无法读取字体，未生成：" + notAFont.font);

  FontOptions pastTheEnd;
  pastTheEnd.index = 2;
  EXPECT_EQ(cut(pastTheEnd, 1).back(),
            L"字体集合只有 2 个字体，没有 --index 2，未生成：" + collection().wstring());

  FontOptions lacking;
  lacking.text = (dir_ / "text").wstring();  // face 0 has neither 汉化 nor 补丁
  EXPECT_EQ(cut(lacking, 1).back(), L"字体缺少译文的 4 个字符，未生成：丁化汉补");
  EXPECT_FALSE(std::filesystem::exists(output().parent_path())) << "nothing written, not even the folder";
}

#ifdef _WIN32
// Windows' own font loader takes the cut font and finds the text's glyphs in it.
TEST_F(FontCut, WindowsLoadsTheCutFont) {
  FontOptions options;
  options.index = 1;
  options.text = (dir_ / "text").wstring();
  cut(options, 0);
  const Bytes font = readFile(output());
  DWORD fonts = 0;
  HANDLE added = AddFontMemResourceEx(const_cast<std::uint8_t*>(font.data()), static_cast<DWORD>(font.size()),
                                      nullptr, &fonts);
  ASSERT_NE(added, nullptr);
  LOGFONTW description{};
  description.lfHeight = -32;
  description.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(description.lfFaceName, L"SecondFace");
  HFONT handle = CreateFontIndirectW(&description);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, handle);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  EXPECT_STREQ(face, L"SecondFace");
  WORD glyphs[3] = {};
  ASSERT_EQ(GetGlyphIndicesW(dc, L"汉A灰", 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 3u);
  EXPECT_NE(glyphs[0], 0xFFFF);
  EXPECT_NE(glyphs[1], 0xFFFF);
  EXPECT_EQ(glyphs[2], 0xFFFF) << "cut away";
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(handle);
  RemoveFontMemResourceEx(added);
}
#endif

}  // namespace
