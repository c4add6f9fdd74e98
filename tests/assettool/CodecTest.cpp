#include <gtest/gtest.h>

#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "support/Files.h"
#include "support/ObjectData.h"

using namespace testsupport;

namespace {

// The layout qmx has always written a Texture2D in: the one of 5.2.
const fields::ObjectLayout k52 = *releaseLayout(28, "5.2.3f1");
const fields::ObjectLayout kText = *releaseLayout(49, "5.2.3f1");

// Writes records at the end of a file that already holds some bytes, as the repack run appends.
class CodecTest : public ::testing::Test {
 protected:
  template <typename Record>
  Bytes written(const Record& record, std::size_t fileLength = 0, std::int32_t* size = nullptr) {
    const auto path = dir_ / "asset.bin";
    writeFile(path, Bytes(fileLength, 0xEE));
    AssetStream stream;
    EXPECT_TRUE(stream.open(path.wstring(), false));
    stream.seekEnd();
    const std::int64_t start = stream.position();
    EXPECT_TRUE(record.write(stream));
    const auto byteSize = static_cast<std::int32_t>(stream.position() - start);
    EXPECT_TRUE(stream.close());
    const Bytes file = readFile(path);
    EXPECT_EQ(static_cast<std::size_t>(byteSize), file.size() - fileLength);
    if (size != nullptr) *size = byteSize;
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(fileLength), file.end());
  }
  std::wstring place(const std::string& name, const Bytes& bytes) {
    writeFile(dir_ / name, bytes);
    return (dir_ / name).wstring();
  }

  TempDirectory dir_;
};

// Fields the record does not change keep their bytes, even a bool that is neither 0 nor 1.
TEST_F(CodecTest, TextureWritesBackWhatItReadByteForByte) {
  TextureData texture;
  texture.flags = {0, 2, 1};
  const Bytes original = textureObject(texture);
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(original, k52));
  EXPECT_EQ(written(record), original);
}

// As the engine reads it: objects start aligned, and padding is counted from the object's start.
TEST_F(CodecTest, TexturePaddingIsCountedFromTheStartOfTheObject) {
  TextureData texture;
  texture.name = "ab";  // 4 + 2 bytes, then 2 of padding
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(textureObject(texture), k52));
  std::int32_t atZero = 0;
  std::int32_t atTwo = 0;
  EXPECT_EQ(written(record, 0, &atZero), written(record, 2, &atTwo));
  EXPECT_EQ(atZero, atTwo);
}

TEST_F(CodecTest, DdsGivesSizeAndDataAfterItsHeader) {
  TextureData texture;
  texture.textureFormat = 10;  // DXT1
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(textureObject(texture), k52));
  const Bytes blocks(1'152'000, 0x3C);
  ASSERT_EQ(record.importDds(place("a.dds", ddsFile(1920, 1200, blocks))),
            Texture2DRecord::DdsImport::Imported);
  EXPECT_EQ(record.width(), 1920);
  EXPECT_EQ(record.height(), 1200);
  texture.width = 1920;
  texture.height = 1200;
  texture.imageData = blocks;
  EXPECT_EQ(written(record), textureObject(texture));
}

TEST_F(CodecTest, UncompressedChannelsAreReorderedByFormat) {
  const Bytes seven = {1, 2, 3, 4, 5, 6, 7};
  const struct {
    std::int32_t format;
    Bytes expected;
  } cases[] = {
      {5, {4, 3, 2, 1, 5, 6, 7}},  // ARGB32: B G R A becomes A R G B
      {3, {3, 2, 1, 6, 5, 4, 7}},  // RGB24: B G R becomes R G B, the incomplete group stays
      {4, seven},                  // RGBA32 is taken as it stands
      {12, seven},
  };
  for (const auto& c : cases) {
    TextureData texture;
    texture.textureFormat = c.format;
    Texture2DRecord record;
    ASSERT_TRUE(record.parse(textureObject(texture), k52));
    ASSERT_EQ(record.importDds(place("c.dds", ddsFile(1, 1, seven))), Texture2DRecord::DdsImport::Imported);
    EXPECT_EQ(record.imageData(), c.expected) << "format " << c.format;
  }
}

TEST_F(CodecTest, TexturesWithoutDdsImportKeepTheirData) {
  const std::wstring dds = place("k.dds", ddsFile(64, 64, Bytes(16, 1)));
  const struct {
    std::int32_t format;
    Texture2DRecord::DdsImport result;
  } cases[] = {
      {32, Texture2DRecord::DdsImport::NotImportable},
      {45, Texture2DRecord::DdsImport::NotImportable},
      {14, Texture2DRecord::DdsImport::Unsupported},
      {0, Texture2DRecord::DdsImport::Unsupported},
  };
  for (const auto& c : cases) {
    TextureData texture;
    texture.textureFormat = c.format;
    Texture2DRecord record;
    ASSERT_TRUE(record.parse(textureObject(texture), k52));
    EXPECT_EQ(record.importDds(dds), c.result);
    EXPECT_EQ(written(record), textureObject(texture)) << "format " << c.format;
  }
}

TEST_F(CodecTest, ShortOrMissingDdsFilesLeaveTheTextureAlone) {
  Texture2DRecord record;
  ASSERT_TRUE(record.parse(textureObject(TextureData{}), k52));
  EXPECT_EQ(record.importDds(place("short.dds", Bytes(127, 0))), Texture2DRecord::DdsImport::Unreadable);
  EXPECT_EQ(record.importDds((dir_ / "none.dds").wstring()), Texture2DRecord::DdsImport::Unreadable);
  EXPECT_EQ(written(record), textureObject(TextureData{}));
}

TEST_F(CodecTest, DamagedTextureDataIsNotParsed) {
  Bytes negativeName = textureObject(TextureData{});
  negativeName[3] = 0x80;
  Bytes longImage = textureObject(TextureData{});
  longImage.resize(longImage.size() - 1);
  for (const Bytes& data : {negativeName, longImage, Bytes{}})
    EXPECT_FALSE(Texture2DRecord().parse(data, k52));
}

TEST_F(CodecTest, FontTakesTheTtfAndTheRectBesideIt) {
  const fields::ObjectLayout k53 = *releaseLayout(128, "5.3.8f2");
  FontData font;
  FontRecord record;
  ASSERT_TRUE(record.parse(fontObject(font, FontLayout::LargeReferences), k53));
  const Bytes ttf(171'792, 0x5B);
  ASSERT_EQ(record.importFont(place("Font.ttf", ttf)), FontRecord::FontImport::Imported);
  font.fontData = ttf;  // the empty rectangle block stays 00 00 00 00
  EXPECT_EQ(written(record), fontObject(font, FontLayout::LargeReferences));

  FontRecord onlyRects;
  ASSERT_TRUE(onlyRects.parse(fontObject(FontData{}, FontLayout::LargeReferences), k53));
  place("Other.rect", characterRects(3));
  ASSERT_EQ(onlyRects.importFont((dir_ / "Other.ttf").wstring()), FontRecord::FontImport::Imported);
  FontData expected;
  expected.characterRects = characterRects(3);
  EXPECT_EQ(written(onlyRects), fontObject(expected, FontLayout::LargeReferences));
}

// A .rect must be what the engine reads: a count of 0 or more and exactly that many rectangles.
TEST_F(CodecTest, MalformedRectFilesLeaveTheFontAlone) {
  const fields::ObjectLayout k47 = *releaseLayout(128, "4.7.2p3");
  Bytes countTooHigh = characterRects(2);
  countTooHigh[0] = 3;
  Bytes negative = characterRects(0);
  negative[3] = 0x80;
  Bytes trailing = characterRects(1);
  trailing.push_back(0);
  for (const Bytes& rect : {countTooHigh, negative, trailing, Bytes{}, Bytes{0, 0}}) {
    FontRecord record;
    ASSERT_TRUE(record.parse(fontObject(FontData{}, FontLayout::SmallReferences), k47));
    place("Bad.rect", rect);
    place("Bad.ttf", Bytes(8, 1));
    EXPECT_EQ(record.importFont((dir_ / "Bad.ttf").wstring()), FontRecord::FontImport::RectsMalformed)
        << rect.size() << " bytes";
    EXPECT_EQ(written(record), fontObject(FontData{}, FontLayout::SmallReferences)) << "unchanged";
  }
}

TEST_F(CodecTest, DamagedFontDataIsNotParsed) {
  const fields::ObjectLayout k52Font = *releaseLayout(128, "5.2.3f1");
  FontData negativeRects;
  negativeRects.characterRects = {0xFF, 0xFF, 0xFF, 0xFF};
  FontData tooManyRects;
  tooManyRects.characterRects = {0, 0, 0, 0x10};
  FontData negativeKerning;
  negativeKerning.kerningPairs = {0, 0, 0, 0x80};
  for (const FontData& font : {negativeRects, tooManyRects, negativeKerning}) {
    EXPECT_FALSE(FontRecord().parse(fontObject(font, FontLayout::LargeReferences), k52Font));
  }
  Bytes cut = fontObject(FontData{}, FontLayout::LargeReferences);
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(FontRecord().parse(cut, k52Font));
}

TEST_F(CodecTest, TextAssetTakesTheTextAsItStandsAndPadsWithZeros) {
  TextAssetRecord record;
  ASSERT_TRUE(record.parse(textAssetObject("Localization", {'o', 'l', 'd'}, "ab"), kText));
  Bytes text(120'482, 'x');
  text[0] = 0xEF;
  text[1] = 0xBB;
  text[2] = 0xBF;
  record.setScript(text);
  std::int32_t size = 0;
  const Bytes data = written(record, 8, &size);
  // name 4 + 12, text 4 + 120,482 and 2 of padding, path name 4 + 2 and 2 of padding
  EXPECT_EQ(size, 16 + 120'486 + 2 + 6 + 2);
  EXPECT_EQ(Bytes(data.begin() + 20, data.begin() + 23), (Bytes{0xEF, 0xBB, 0xBF}));
  EXPECT_EQ(Bytes(data.end() - 2, data.end()), (Bytes{0, 0}));
  Bytes expected = textAssetObject("Localization", text, "ab");
  expected.resize(expected.size() + 2, 0);
  EXPECT_EQ(data, expected);
}

TEST_F(CodecTest, DamagedTextAssetDataIsNotParsed) {
  Bytes data = textAssetObject("Localization", {'a'}, "");
  data[16] = 0xFF;  // the text's length
  data[19] = 0x7F;
  EXPECT_FALSE(TextAssetRecord().parse(data, kText));
}

}  // namespace
