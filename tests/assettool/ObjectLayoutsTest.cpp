// The engine's layouts, release by release: the lookup by whole version, and the walker that reads
// and writes objects by them, checked against the layouts measured on real files of 3.5 to 5.4.
#include <gtest/gtest.h>

#include "layouts/ObjectLayouts.h"
#include "layouts/ObjectWalker.h"
#include "support/ObjectData.h"
#include "support/Releases.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;
using layouts::Layout;
using layouts::layoutFor;
using layouts::parseRelease;

namespace {

constexpr std::int32_t kTexture2D = 28;
constexpr std::int32_t kTextAsset = 49;
constexpr std::int32_t kFont = 128;

bool hasField(const std::optional<Layout>& layout, std::string_view name) {
  if (!layout) return false;
  return std::any_of(layout->begin(), layout->end(), [name](const layouts::LayoutNode& node) {
    return node.level == 1 && name == node.name;
  });
}

Bytes paddedTo4(Bytes bytes) {
  bytes.resize((bytes.size() + 3) / 4 * 4, 0);
  return bytes;
}

bool sameLayout(const std::optional<Layout>& a, const std::optional<Layout>& b) {
  return a && b && a->data() == b->data();
}

// The object written back through the walker, with the given fields replaced.
Bytes rewritten(const Bytes& object, const layouts::Field& root, const layouts::FieldValues& values,
                bool padEnd = true) {
  TempDirectory dir;
  AssetStream file;
  EXPECT_TRUE(file.create((dir / "object").wstring()));
  EXPECT_TRUE(layouts::writeObject(file, ByteRegion(object), root, values, padEnd));
  EXPECT_TRUE(file.close());
  return readFile(dir / "object");
}

// Where two objects first differ, for a readable failure.
::testing::AssertionResult sameBytes(const Bytes& actual, const Bytes& expected) {
  const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  if (a == actual.end() && e == expected.end()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "lengths " << actual.size() << " and " << expected.size()
                                       << ", first difference at byte " << (a - actual.begin());
}

TEST(ObjectLayouts, ReleasesAreReadWholeAndOrderedAsTheEngineMadeThem) {
  const auto release = parseRelease("2019.3.0f5");
  ASSERT_TRUE(release);
  EXPECT_EQ((std::array{release->major, release->minor, release->patch, release->build}),
            (std::array{2019, 3, 0, 5}));
  EXPECT_EQ(parseRelease("2020.3.0f1c1"), parseRelease("2020.3.0f1")) << "a China release";
  EXPECT_EQ(parseRelease("3.4.0"), parseRelease("3.4.0f0")) << "no letter: a final release";
  for (const char* earlier : {"5.6.0a1", "5.6.0b9", "5.6.0rc2", "5.6.0f3", "5.6.0p1"}) {
    EXPECT_LT(*parseRelease(earlier), *parseRelease("5.6.0p2")) << earlier;
  }
  EXPECT_LT(*parseRelease("2019.3.0a12"), *parseRelease("2019.3.0b1"));
  for (const char* none : {"", "0.0.0", "5.6", "5.6.x", "5.6.3q1", "5.6.3f1 ", "2019.3.0f5junk"}) {
    EXPECT_FALSE(parseRelease(none)) << '"' << none << '"';
  }
}

// Layouts change at patch releases: a table by major.minor alone would write wrong bytes there.
TEST(ObjectLayouts, AreFoundByTheWholeVersionAcrossPatchLevelChanges) {
  EXPECT_FALSE(hasField(layoutFor(kTexture2D, "2019.3.0f4"), "m_IgnoreMasterTextureLimit"));
  EXPECT_TRUE(hasField(layoutFor(kTexture2D, "2019.3.0f5"), "m_IgnoreMasterTextureLimit"));
  EXPECT_FALSE(hasField(layoutFor(kTexture2D, "2019.4.8f1"), "m_IsPreProcessed"));
  EXPECT_TRUE(hasField(layoutFor(kTexture2D, "2019.4.9f1"), "m_IsPreProcessed"));
  EXPECT_FALSE(hasField(layoutFor(kFont, "2017.1.2f1"), "m_UseLegacyBoundsCalculation"));
  EXPECT_TRUE(hasField(layoutFor(kFont, "2017.1.2p1"), "m_UseLegacyBoundsCalculation"));
  EXPECT_TRUE(hasField(layoutFor(kTextAsset, "5.6.7f1"), "m_PathName"));
  EXPECT_FALSE(hasField(layoutFor(kTextAsset, "2017.1.0f3"), "m_PathName"));
  EXPECT_TRUE(hasField(layoutFor(kFont, "3.5.7f6"), "m_GridFont")) << "the old grid fonts";
}

TEST(ObjectLayouts, AReleaseNotDumpedTakesTheNewestBeforeItWithinItsMinorOnly) {
  EXPECT_TRUE(sameLayout(layoutFor(kTexture2D, "2019.4.99f1"), layoutFor(kTexture2D, "2019.4.41f2")));
  EXPECT_TRUE(sameLayout(layoutFor(kTexture2D, "2019.3.0f7"), layoutFor(kTexture2D, "2019.3.0f6")));
  EXPECT_TRUE(sameLayout(layoutFor(kTexture2D, "2020.3.0f1c1"), layoutFor(kTexture2D, "2020.3.0f1")));
  EXPECT_TRUE(layoutFor(kTexture2D, "2019.3.0a2")) << "a dumped alpha";
  const char* unknown[] = {
      "2019.3.0a1",   // an alpha that was not dumped
      "2019.3.0b99",  // nor this beta
      "2019.5.0f1",   // no such minor: never the layout of another one
      "6000.7.0f1",   // newer than the newest dumped release
      "9999.1.0f1",  "0.0.0", "", "5.6",
  };
  for (const char* version : unknown) EXPECT_FALSE(layoutFor(kTexture2D, version)) << '"' << version << '"';
  EXPECT_FALSE(layoutFor(1, "2019.4.9f1")) << "a class the table does not hold";
}

// The table agrees with the layouts measured on real files: every handled object of 3.5 to 5.4 reads
// through its release's layout to its end, and is written back byte for byte.
class ObjectLayoutsOfMeasuredReleases : public ::testing::TestWithParam<Release> {};

TEST_P(ObjectLayoutsOfMeasuredReleases, ReadEveryObjectToItsEndAndWriteItBackAsItWas) {
  const Release& release = GetParam();
  TextureData texture;
  texture.name = "Atlas";
  texture.width = 8;
  texture.height = 4;
  texture.imageData = Bytes(37, 0x5A);
  texture.streamPath = release.texture == TextureLayout::StreamData ? "sharedassets0.assets.resS" : "";
  const Bytes textureBytes = textureObject(texture, release.texture);
  const std::optional<Layout> textureLayout = layoutFor(kTexture2D, release.engineVersion);
  ASSERT_TRUE(textureLayout);
  const std::optional<layouts::Field> textureRoot = layouts::readObject(textureBytes, *textureLayout);
  ASSERT_TRUE(textureRoot) << "Texture2D";
  const layouts::Field* image = textureRoot->field("image data")->array();
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->count, 37u);
  EXPECT_EQ(image->end - image->begin, 4u + 37u);
  EXPECT_EQ(textureRoot->field("m_Height")->begin, 16u);
  // 5.2 textures are written without the padding after their image data, which ends them.
  const bool padded = release.texture != TextureLayout::MipCount;
  EXPECT_TRUE(sameBytes(rewritten(textureBytes, *textureRoot, {}, padded), textureBytes));

  const Bytes text = textAssetObject("Localization", Bytes{'a', 'b'}, "Assets/Loc.txt");
  const std::optional<Layout> textLayout = layoutFor(kTextAsset, release.engineVersion);
  ASSERT_TRUE(textLayout);
  const std::optional<layouts::Field> textRoot = layouts::readObject(text, *textLayout);
  ASSERT_TRUE(textRoot) << "TextAsset";
  EXPECT_TRUE(sameBytes(rewritten(text, *textRoot, {}), paddedTo4(text))) << "with the padding that ends it";
  Bytes script;
  appendString(script, "a longer script");
  const Bytes expected =
      textAssetObject("Localization", Bytes(script.begin() + 4, script.end()), "Assets/Loc.txt");
  EXPECT_TRUE(
      sameBytes(rewritten(text, *textRoot, {{textRoot->field("m_Script"), {script}}}), paddedTo4(expected)))
      << "the fields after it move on";

  if (!release.font) return;
  FontData font;
  font.characterRects = characterRects(3);
  const Bytes fontBytes = fontObject(font, *release.font);
  const std::optional<Layout> fontLayout = layoutFor(kFont, release.engineVersion);
  ASSERT_TRUE(fontLayout);
  const std::optional<layouts::Field> fontRoot = layouts::readObject(fontBytes, *fontLayout);
  ASSERT_TRUE(fontRoot) << "Font";
  EXPECT_EQ(fontRoot->field("m_CharacterRects")->array()->count, 3u);
  EXPECT_EQ(fontRoot->field("m_FontData")->array()->count, font.fontData.size());
  EXPECT_TRUE(sameBytes(rewritten(fontBytes, *fontRoot, {}), fontBytes));
}

INSTANTIATE_TEST_SUITE_P(Releases, ObjectLayoutsOfMeasuredReleases, ::testing::ValuesIn(kReleases));

// Counts and lengths are checked against the bytes that remain before anything is allocated, and an
// object that holds more than its layout reads is not taken for one laid out so.
TEST(ObjectWalker, RefusesCountsPastTheEndAndBytesLeftOver) {
  const Layout layout = *layoutFor(kFont, "5.4.3f1");
  FontData font;
  font.characterRects = characterRects(2);
  const Bytes intact = fontObject(font, FontLayout::WithDescent);
  ASSERT_TRUE(layouts::readObject(intact, layout));

  Bytes runaway = intact;
  const std::size_t rects = layouts::readObject(intact, layout)->field("m_CharacterRects")->begin;
  runaway[rects + 3] = 0x7F;  // 2^31 - 1 - ... rectangles of 44 bytes
  EXPECT_FALSE(layouts::readObject(runaway, layout));
  Bytes negative = intact;
  negative[rects + 3] = 0x80;
  EXPECT_FALSE(layouts::readObject(negative, layout));
  Bytes cut(intact.begin(), intact.end() - 5);
  EXPECT_FALSE(layouts::readObject(cut, layout));
  Bytes longer = intact;
  longer.resize(intact.size() + 4, 0);
  EXPECT_FALSE(layouts::readObject(longer, layout));
}

}  // namespace

// Elements that pad inside, all of one length (character rectangles), are stepped over as one run
// where they start on a multiple of 4, and written as they stood there. Moved to where their padding
// falls elsewhere, each is read again and padded for its new place, as the engine would read it.
TEST(ObjectWalker, PaddedElementsRunWhereTheyStandAndArePaddedAnewWhereTheyMove) {
  using layouts::LayoutNode;
  const LayoutNode nodes[] = {
      {0, "Thing", "Base", -1, false, false}, {1, "string", "m_Name", -1, false, false},
      {2, "Array", "Array", -1, true, false}, {3, "int", "size", 4, false, false},
      {3, "char", "data", 1, false, false},   {1, "vector", "m_Rects", -1, false, false},
      {2, "Array", "Array", -1, true, false}, {3, "int", "size", 4, false, false},
      {3, "Rect", "data", 8, false, false},   {4, "int", "index", 4, false, false},
      {4, "bool", "flipped", 1, false, true}, {1, "int", "m_After", 4, false, false},
  };
  const Layout layout(nodes);
  // An empty name, then two rectangles at 8 and 16 whose padding holds 0xEE, then m_After.
  const Bytes original = {0,    0,    0, 0, 2, 0, 0, 0,    1,    0,    0, 0, 1, 0xEE,
                          0xEE, 0xEE, 2, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE, 9, 9, 9, 9};
  const std::optional<layouts::Field> root = layouts::readObject(original, layout);
  ASSERT_TRUE(root);
  const layouts::Field* rects = root->field("m_Rects")->array();
  EXPECT_EQ(rects->count, 2u);
  EXPECT_TRUE(rects->children.empty()) << "one run";
  EXPECT_TRUE(sameBytes(rewritten(original, *root, {}), original));

  // A name of 1 byte moves the rectangles on by 1: each pads to its own next multiple of 4, with
  // zeros, or with its own padding where it happens to stand where it stood.
  const Bytes moved = {1, 0, 0, 0, 'Z', 2, 0, 0,    0,    1,    0, 0, 0, 1,
                       0, 0, 2, 0, 0,   0, 0, 0xEE, 0xEE, 0xEE, 9, 9, 9, 9};
  EXPECT_TRUE(
      sameBytes(rewritten(original, *root, {{root->field("m_Name"), {Bytes{1, 0, 0, 0, 'Z'}}}}), moved));
  EXPECT_TRUE(layouts::readObject(moved, layout)) << "reads to its end where it moved";
}
