// The translation's text files as the kit reads their characters, and wchar.txt made of them.
#include <gtest/gtest.h>

#include "text/TranslationText.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<std::u32string> decoded(const Bytes& bytes) {
  return translation::decodeText(bytes);
}

TEST(TranslationText, ReadsUtf8AndUtf16WithTheirMarksAndRefusesWhatIsNeither) {
  EXPECT_EQ(decoded({0xE7, 0x81, 0xB0, 'a'}), U"灰a");
  EXPECT_EQ(decoded({0xEF, 0xBB, 0xBF, 'a'}), U"\uFEFFa");
  EXPECT_EQ(decoded({0xFF, 0xFE, 0x70, 0x70, 0x42, 0xD8, 0xB7, 0xDF}), U"灰𠮷");
  EXPECT_EQ(decoded({0xFE, 0xFF, 0x70, 0x70}), U"灰");
  EXPECT_EQ(decoded({0xC1, 0xA1}), std::nullopt) << "an overlong form";
  EXPECT_EQ(decoded({0xED, 0xA0, 0x80}), std::nullopt) << "a surrogate in UTF-8";
  EXPECT_EQ(decoded({0xE7, 0x81}), std::nullopt) << "cut short";
  EXPECT_EQ(decoded({0xB0, 0xA1}), std::nullopt) << "GBK";
  EXPECT_EQ(decoded({0xFF, 0xFE, 0x00, 0xDC}), std::nullopt) << "a lone low surrogate";
  EXPECT_EQ(decoded({0xFF, 0xFE, 0x41}), std::nullopt) << "an odd length";
}

TEST(TranslationText, WcharTxtListsTheShownCharactersOnceInOrderAndTheReplacementCharacterLast) {
  translation::Characters characters;
  translation::addShownCharacters(characters, U"\uFEFF烬\t\r\n\x7F\x85灰 a灰\uFFFD\U00020BB7\uFFFE");
  const Bytes expected = {0xFF, 0xFE, 0x20, 0x00, 0x61, 0x00, 0x70, 0x70,
                          0xEC, 0x70, 0x42, 0xD8, 0xB7, 0xDF, 0xFD, 0xFF};
  EXPECT_EQ(translation::wcharText(characters), expected);
  EXPECT_EQ(translation::wcharText({}), (Bytes{0xFF, 0xFE, 0xFD, 0xFF}));
}

TEST(TranslationText, TextFilesAreTxtAndXmlInAnyLetterCase) {
  EXPECT_TRUE(translation::isTextFile(L"Data\\Config\\XUi\\windows.XML"));
  EXPECT_TRUE(translation::isTextFile(L"TextAsset\\Localization.txt"));
  EXPECT_FALSE(translation::isTextFile(L"Font\\Body.ttf"));
  EXPECT_FALSE(translation::isTextFile(L"txt"));
}

}  // namespace
