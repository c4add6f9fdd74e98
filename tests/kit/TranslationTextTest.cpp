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

// Long texts are read a piece at a time: a character cut by a piece's end waits for the next piece,
// whatever its length and encoding, and a text that is none is refused however far in.
TEST(TranslationText, LongTextsAreReadInPiecesWithoutCuttingACharacter) {
  constexpr std::size_t kPiece = 1 << 20;
  const auto charactersOf = [](const Bytes& bytes) -> std::optional<translation::Characters> {
    translation::Characters characters;
    if (!translation::addShownCharacters(characters, ByteRegion(bytes))) return std::nullopt;
    return characters;
  };
  const auto placedAt = [](Bytes start, std::size_t at, const Bytes& character) {
    start.resize(at, 'a');
    start.insert(start.end(), character.begin(), character.end());
    start.push_back('b');
    return start;
  };
  for (std::size_t cut = 1; cut <= 3; ++cut) {
    const Bytes utf8 = placedAt({}, kPiece - cut, {0xF0, 0xA0, 0xAE, 0xB7});
    EXPECT_EQ(charactersOf(utf8), (translation::Characters{U'a', U'b', U'\U00020BB7'})) << cut;
  }
  // After the mark, the first piece ends between the two halves of a surrogate pair.
  Bytes little = placedAt({0xFF, 0xFE}, kPiece, {0x42, 0xD8, 0xB7, 0xDF});
  for (std::size_t i = 2; i < kPiece; i += 2) little[i + 1] = 0;  // 'a' as UTF-16LE
  little.back() = 0;
  little.insert(little.end() - 1, 'b');
  EXPECT_EQ(charactersOf(little), (translation::Characters{U'a', U'b', U'\U00020BB7'}));
  Bytes big = {0xFE, 0xFF};
  for (std::size_t i = 2; i < kPiece; i += 2) big.insert(big.end(), {0, 'a'});
  big.insert(big.end(), {0xD8, 0x42, 0xDF, 0xB7, 0x70, 0x70});
  EXPECT_EQ(charactersOf(big), (translation::Characters{U'a', U'灰', U'\U00020BB7'}));

  EXPECT_EQ(charactersOf(placedAt({}, 3 * kPiece, {0xE7, 0x81})), std::nullopt) << "cut short inside";
  Bytes cutAtTheEnd(kPiece + 5, 'a');
  cutAtTheEnd.insert(cutAtTheEnd.end(), {0xE7, 0x81});
  EXPECT_EQ(charactersOf(cutAtTheEnd), std::nullopt) << "cut short at the end";
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
