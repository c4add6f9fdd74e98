#include "SeedAssets.h"

#include <array>

#include "codecs/TextureFormat.h"
#include "layouts/ObjectLayouts.h"
#include "support/Files.h"
#include "support/LayoutObjects.h"
#include "support/ObjectData.h"

using testsupport::appendInt32;
using testsupport::AssetDescription;
using testsupport::Bytes;
using testsupport::ObjectDescription;
using testsupport::TypeDescription;

namespace fuzzseeds {
namespace {

namespace class_id {
constexpr std::int16_t kGameObject = 1;
constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kMonoBehaviour = 114;
constexpr std::int16_t kFont = 128;
}  // namespace class_id

// Texture formats the seeds use besides the imported ones (both that reorder channels, and DXT5):
// a mobile one that is kept silently and one that is kept with a warning.
namespace kept_format {
constexpr std::int32_t kEtcRgb4 = 34;
constexpr std::int32_t kWithoutImport = 63;
}  // namespace kept_format

// The type index MonoBehaviour objects carry in the hashed lists below: its place in kClasses.
constexpr std::int32_t kMonoBehaviourTypeIndex = 3;
constexpr std::array<std::int16_t, 5> kClasses = {class_id::kGameObject, class_id::kTexture2D,
                                                  class_id::kTextAsset, class_id::kMonoBehaviour,
                                                  class_id::kFont};
static_assert(kClasses[kMonoBehaviourTypeIndex] == class_id::kMonoBehaviour);

constexpr std::int64_t kMonoBehaviourPathId = 7;
constexpr std::int64_t kNegativeMonoBehaviourPathId = -5;
// No seed object has this path ID or the name Sheet: the folder holds folders under those names.
constexpr std::int64_t kFolderPathId = 8;

Bytes pattern(std::size_t length, std::uint8_t seed) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 5));
  return bytes;
}

// An engine release whose object layouts qmx knows, with the serialized format of its files.
struct Release {
  const char* engineVersion;
  std::int32_t formatVersion;
  testsupport::TextureLayout texture;
  testsupport::FontLayout font;
};

constexpr std::array kReleases = {
    Release{"4.6.9f1", 9, testsupport::TextureLayout::MipBool, testsupport::FontLayout::SmallReferences},
    Release{"5.0.4f1", 14, testsupport::TextureLayout::MipBool, testsupport::FontLayout::LargeReferences},
    Release{"5.2.3f1", 14, testsupport::TextureLayout::MipCount, testsupport::FontLayout::LargeReferences},
    Release{"5.3.6f1", 15, testsupport::TextureLayout::StreamData, testsupport::FontLayout::LargeReferences},
    Release{"5.4.1f1", 15, testsupport::TextureLayout::StreamData, testsupport::FontLayout::WithDescent},
};

Bytes fontData(const Release& release) {
  testsupport::FontData font;
  font.name = "Body";
  font.characterRects = testsupport::characterRects(2);
  font.fontData = pattern(97, 0x11);  // leaves the font data off a multiple of 4
  font.fontNames = {"Body Sans", "Fallback"};
  return testsupport::fontObject(font, release.font);
}

Bytes textureData(const Release& release, std::int32_t textureFormat, std::size_t imageLength) {
  testsupport::TextureData texture;
  texture.name = "Atlas";
  texture.width = 8;
  texture.height = 8;
  texture.textureFormat = textureFormat;
  texture.imageData = pattern(imageLength, 0x33);
  texture.streamPath = "archive:/level.assets.resS";
  texture.streamSize = 256;
  return testsupport::textureObject(texture, release.texture);
}

Bytes textAssetData() {
  const std::string text = "line one\nline two\n";
  return testsupport::textAssetObject("Dialogue", Bytes(text.begin(), text.end()),
                                      "Assets/Text/Dialogue.txt");
}

ObjectDescription object(std::int64_t pathId, std::int16_t classId, std::int32_t formatVersion, Bytes data) {
  ObjectDescription o;
  o.pathId = pathId;
  o.classId = classId;
  if (formatVersion >= 14) {
    for (std::size_t i = 0; i < kClasses.size(); ++i) {
      if (kClasses[i] == classId) o.typeId = static_cast<std::int32_t>(i);
    }
  } else {
    o.typeId = classId;  // older tables name the class itself
  }
  if (classId == class_id::kMonoBehaviour) o.scriptTypeIndex = 0;
  o.data = std::move(data);
  return o;
}

AssetDescription baseAsset(const Release& release) {
  AssetDescription d;
  d.formatVersion = release.formatVersion;
  d.engineVersion = release.engineVersion;
  for (std::size_t i = 0; i < kClasses.size(); ++i) {
    TypeDescription type;
    type.classId = kClasses[i];
    type.typeHash.fill(static_cast<std::uint8_t>(0x10 * (i + 1)));
    d.types.push_back(type);  // where trees are written, each the engine's own for its class
  }
  d.externals = {1, 0, 0, 0, 0, 'l', 'i', 'b', 0, 2, 0, 0, 0};
  return d;
}

// Every handled class, a name shared by two textures and a MonoBehaviour found through a negative
// path ID and, with 64-bit path IDs, through the low word of a large one.
AssetDescription everyClass(const Release& release) {
  const std::int32_t formatVersion = release.formatVersion;
  AssetDescription d = baseAsset(release);
  d.objects.push_back(object(1, class_id::kFont, formatVersion, fontData(release)));
  d.objects.push_back(
      object(2, class_id::kTexture2D, formatVersion, textureData(release, texture_format::kArgb32, 256)));
  d.objects.push_back(
      object(3, class_id::kTexture2D, formatVersion, textureData(release, texture_format::kDxt5, 64)));
  d.objects.push_back(object(4, class_id::kTextAsset, formatVersion, textAssetData()));
  d.objects.push_back(
      object(kMonoBehaviourPathId, class_id::kMonoBehaviour, formatVersion, pattern(40, 0x55)));
  d.objects.push_back(object(9, class_id::kGameObject, formatVersion, pattern(30, 0x66)));
  d.objects.push_back(
      object(kNegativeMonoBehaviourPathId, class_id::kMonoBehaviour, formatVersion, pattern(12, 0x77)));
  if (formatVersion >= 14) {
    d.objects.push_back(object((std::int64_t{1} << 32) + kMonoBehaviourPathId, class_id::kMonoBehaviour,
                               formatVersion, pattern(20, 0x88)));
  }
  return d;
}

// The texture formats that DDS import treats differently, and the table in another order.
AssetDescription textureFormats(const Release& release) {
  const std::int32_t formatVersion = release.formatVersion;
  AssetDescription d = baseAsset(release);
  d.objects.push_back(
      object(20, class_id::kTexture2D, formatVersion, textureData(release, texture_format::kRgb24, 192)));
  d.objects.push_back(
      object(12, class_id::kTexture2D, formatVersion, textureData(release, kept_format::kEtcRgb4, 32)));
  d.objects.push_back(object(4, class_id::kTextAsset, formatVersion, textAssetData()));
  return d;
}

AssetDescription unsupportedTexture(const Release& release) {
  const std::int32_t formatVersion = release.formatVersion;
  AssetDescription d = baseAsset(release);
  d.objects.push_back(
      object(2, class_id::kTexture2D, formatVersion, textureData(release, kept_format::kWithoutImport, 16)));
  d.objects.push_back(object(1, class_id::kFont, formatVersion, fontData(release)));
  return d;
}

// The script hash of the seeds' MonoBehaviour type in the formats that name types by index, and
// the folder it names.
constexpr testsupport::Hash kScriptHash = {0xC1, 0x5C, 0x21, 0x9B, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr const char* kScriptHashFolder = "c15c219b000102030405060708090a0b";

// Every handled class of a release after 5.4, written from the engine's layouts of that release.
AssetDescription laidOutClasses(const char* engineVersion, std::int32_t formatVersion) {
  const Release release{engineVersion, formatVersion, {}, {}};
  AssetDescription d = baseAsset(release);
  d.types[kMonoBehaviourTypeIndex].scriptId = kScriptHash;
  const auto laidOut = [engineVersion](std::int32_t classId, const testsupport::LayoutValues& values) {
    return testsupport::layoutObject(*layouts::layoutFor(classId, engineVersion), values);
  };
  testsupport::LayoutValues texture;
  texture.numbers = {{"m_Width", 8},
                     {"m_Height", 8},
                     {"m_CompleteImageSize", 256},
                     {"m_TextureFormat", 5},
                     {"m_MipCount", 1},
                     {"m_StreamData.offset", 4096},
                     {"m_StreamData.size", 256}};
  texture.serialized = {{"m_Name", testsupport::counted("Atlas")},
                        {"m_StreamData.path", testsupport::counted("archive:/level.assets.resS")},
                        {"m_PlatformBlob", testsupport::counted(Bytes{1, 2, 3})}};
  testsupport::LayoutValues font;
  font.serialized = {{"m_Name", testsupport::counted("Body")},
                     {"m_FontData", testsupport::counted(pattern(97, 0x11))},
                     {"m_CharacterRects", testsupport::characterRects(2)}};
  testsupport::LayoutValues text;
  text.serialized = {{"m_Name", testsupport::counted("Dialogue")},
                     {"m_Script", testsupport::counted("line one\nline two\n")}};
  d.objects.push_back(object(1, class_id::kFont, formatVersion, laidOut(class_id::kFont, font)));
  d.objects.push_back(object(2, class_id::kTexture2D, formatVersion, laidOut(class_id::kTexture2D, texture)));
  d.objects.push_back(object(4, class_id::kTextAsset, formatVersion, laidOut(class_id::kTextAsset, text)));
  d.objects.push_back(
      object(kMonoBehaviourPathId, class_id::kMonoBehaviour, formatVersion, pattern(40, 0x55)));
  return d;
}

// A file of the formats from 17 (a 2019.4 release, types named by index, a script type and the
// metadata's tail), with or without type trees: its MonoBehaviours are rebuilt, its GameObject
// kept.
AssetDescription indexedScripts(std::int32_t formatVersion, bool typeTrees) {
  AssetDescription d;
  d.formatVersion = formatVersion;
  d.engineVersion = "2019.4.9f1";
  d.hasTypeTrees = typeTrees;
  d.types.push_back({class_id::kGameObject, {}, {}, testsupport::treeWithLeaves(2), {}});
  d.types.push_back({class_id::kMonoBehaviour, kScriptHash, {}, testsupport::treeWithLeaves(1), {}, 0});
  d.objects.push_back({9, 0, 0, 0, 0, pattern(30, 0x66)});
  d.objects.push_back({kMonoBehaviourPathId, 1, 0, 0, 0, pattern(40, 0x55)});
  d.objects.push_back({kNegativeMonoBehaviourPathId, 1, 0, 0, 0, pattern(12, 0x77)});
  return d;
}

// A DDS file: "DDS ", the header's length, flags, then height and width, the rest of its 128 bytes
// left zero, then the image.
Bytes ddsFile(std::int32_t width, std::int32_t height, std::size_t imageLength) {
  Bytes bytes = {'D', 'D', 'S', ' '};
  appendInt32(bytes, 124);
  appendInt32(bytes, 0x1007);
  appendInt32(bytes, height);
  appendInt32(bytes, width);
  bytes.resize(128, 0);
  const Bytes image = pattern(imageLength, 0xA0);
  bytes.insert(bytes.end(), image.begin(), image.end());
  return bytes;
}

}  // namespace

std::vector<Seed> seedAssets() {
  std::vector<Seed> seeds;
  for (const Release& release : kReleases) {
    seeds.push_back({std::string("every-class-") + release.engineVersion, everyClass(release)});
  }
  seeds.push_back({"texture-formats-5.4", textureFormats(kReleases.back())});
  seeds.push_back({"texture-formats-4.6", textureFormats(kReleases.front())});
  seeds.push_back({"unsupported-texture-5.2", unsupportedTexture(kReleases[2])});
  seeds.push_back({"scripts-format-17", indexedScripts(17, false)});
  seeds.push_back({"scripts-format-21-type-trees", indexedScripts(21, true)});
  seeds.push_back({"scripts-format-22", indexedScripts(22, false)});
  AssetDescription withTrees = everyClass(kReleases[3]);
  withTrees.hasTypeTrees = true;
  seeds.push_back({"every-class-5.3.6f1-type-trees", withTrees});
  seeds.push_back({"every-class-2017.4.40f1", laidOutClasses("2017.4.40f1", 17)});
  seeds.push_back({"every-class-2020.3.48f1", laidOutClasses("2020.3.48f1", 22)});
  seeds.push_back({"every-class-6000.5.0b1", laidOutClasses("6000.5.0b1", 23)});
  return seeds;
}

bool isReplacedClass(std::int32_t classId) {
  return classId == class_id::kFont || classId == class_id::kTexture2D || classId == class_id::kTextAsset ||
         classId == class_id::kMonoBehaviour;
}

void writeUnpackFolder(const std::filesystem::path& folder) {
  using testsupport::writeFile;
  Bytes ttf = {0, 1, 0, 0};
  const Bytes tables = pattern(160, 0x21);
  ttf.insert(ttf.end(), tables.begin(), tables.end());
  writeFile(folder / "Font" / "Body.ttf", ttf);
  writeFile(folder / "Font" / "Body.rect", testsupport::characterRects(3));

  writeFile(folder / "Texture2D" / "Atlas.dds", ddsFile(8, 8, 256));
  writeFile(folder / "Texture2D" / "Atlas_1.dds", ddsFile(8, 8, 64));

  const std::string text = "第一行\n第二行\n";
  writeFile(folder / "TextAsset" / "Dialogue.txt", Bytes(text.begin(), text.end()));

  // Type IDs are class IDs in the older tables and indexes into the type list in the newer ones.
  for (std::int32_t typeId : {std::int32_t{class_id::kMonoBehaviour}, kMonoBehaviourTypeIndex}) {
    const std::filesystem::path typeFolder = folder / "MonoBehaviour" / std::to_string(typeId);
    writeFile(typeFolder / (std::to_string(kMonoBehaviourPathId) + ".bin"), pattern(48, 0xC0));
    writeFile(typeFolder / (std::to_string(kNegativeMonoBehaviourPathId) + ".bin"), pattern(8, 0xD0));
    std::filesystem::create_directories(typeFolder / (std::to_string(kFolderPathId) + ".bin"));
  }

  const std::filesystem::path hashFolder = folder / "MonoBehaviour" / kScriptHashFolder;
  writeFile(hashFolder / (std::to_string(kMonoBehaviourPathId) + ".bin"), pattern(48, 0xC0));
  writeFile(hashFolder / (std::to_string(kNegativeMonoBehaviourPathId) + ".bin"), pattern(8, 0xD0));

  // A folder where a replacement file is looked for, as a careless unpack can leave.
  for (const char* file :
       {"Font/Sheet.ttf", "Font/Sheet.rect", "Texture2D/Sheet.dds", "TextAsset/Sheet.txt"}) {
    std::filesystem::create_directories(folder / file);
  }
}

}  // namespace fuzzseeds
