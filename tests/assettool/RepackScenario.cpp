#include "RepackScenario.h"

#include <gtest/gtest.h>

#include "serialized/SerializedFile.h"
#include "support/Files.h"

using namespace testsupport;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int16_t kTextAsset = 49;
constexpr std::int16_t kMonoBehaviour = 114;
constexpr std::int16_t kFont = 128;
constexpr std::int16_t kShader = 48;
constexpr std::int16_t kUnlisted = 10;
constexpr std::int32_t kFormat = 15;  // as the builder's engine version, 5.2
constexpr FontLayout kLayout = FontLayout::LargeReferences;

ObjectDescription object(std::int64_t pathId, std::int16_t classId, Bytes data, std::int32_t typeId = 0) {
  return {pathId, typeId == 0 ? classId : typeId, classId, 0xFFFF, 0, std::move(data)};
}

TextureData texture(const std::string& name, std::int32_t format) {
  TextureData t;
  t.name = name;
  t.textureFormat = format;
  return t;
}

FontData font(const std::string& name) {
  FontData f;
  f.name = name;
  return f;
}

void put(const std::filesystem::path& path, const Bytes& bytes) {
  writeFile(path, bytes);
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

}  // namespace

const std::vector<std::wstring> RepackScenario::kSharedWarnings = {
    L"Texture2D BGRA: Unsupported texture format 14",
    L"对象数据有误，未替换：TextAsset Broken (PathID 14)",
};

RepackScenario::RepackScenario(const std::filesystem::path& game) {
  const auto data = game / "Cindermoor_Data";
  const auto unpak = data / "sharedassets1_unpak";

  AssetDescription& d = shared.description;
  d.formatVersion = kFormat;
  d.types = {{-9, {}, {}, {}, {}}, {-1, {}, {}, {}, {}}, {kTexture2D, {}, {}, {}, {}}};
  Bytes brokenText = textAssetObject("Broken", text("old"));
  brokenText[12] = 0xF0;  // the text's length, negative
  brokenText[15] = 0xFF;
  d.objects = {
      object(1, 1, Bytes(40, 0x01)),
      object(2, kTexture2D, textureObject(texture("Atlas", 12))),
      object(5, kFont, fontObject(font("Body"), kLayout)),
      object(6, kFont, fontObject(font("Title"), kLayout)),
      object(7, kTextAsset, textAssetObject("Localization", text("old text"), "path")),
      object(8, kTextAsset, textAssetObject("Missing", text("kept"))),
      object(9, kTexture2D, textureObject(texture("Atlas", 5))),
      object(10, kShader, textAssetObject("Atlas", text("shader"))),
      object(11, kUnlisted, textAssetObject("Atlas", text("unlisted"))),
      object(12, kTexture2D, textureObject(texture("BGRA", 14))),
      object(13, kTexture2D, textureObject(texture("..\\escape", 12))),
      object(14, kTextAsset, brokenText),
      object(688, kMonoBehaviour, Bytes(12, 0x68), -1),
      object(710, kMonoBehaviour, Bytes(12, 0x71), -9),
      object((std::int64_t{1} << 32) + 717, kMonoBehaviour, Bytes(16, 0x72), -9),
      object(-3, kTextAsset, textAssetObject("Last", text("last"))),
  };
  shared.path = data / "sharedassets1.assets";
  shared.built = buildAsset(d);
  put(shared.path, shared.built.bytes);

  const Bytes dxt5(32, 0xD5);
  put(unpak / "Texture2D" / "Atlas.dds", ddsFile(8, 4, dxt5));
  put(unpak / "Texture2D" / "Atlas_1.dds", ddsFile(1, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
  // Said, and kept where it is: its data would be written again as it stands.
  put(unpak / "Texture2D" / "BGRA.dds", ddsFile(2, 2, Bytes(16, 9)));
  put(unpak / "escape.dds", ddsFile(2, 2, Bytes(16, 9)));  // where "..\escape" would lead
  put(unpak / "Font" / "Body.ttf", Bytes(1001, 0xB0));
  put(unpak / "Font" / "Body.rect", characterRects(2));
  put(unpak / "Font" / "Title.rect", characterRects(1));
  put(unpak / "TextAsset" / "Localization.txt", text("\xEF\xBB\xBF新的文本"));
  put(unpak / "TextAsset" / "Broken.txt", text("never"));
  put(unpak / "TextAsset" / "Last.txt", text("L"));
  put(unpak / "TextAsset" / "Atlas.txt", text("no TextAsset has this name"));
  put(unpak / "Shader" / "Atlas.txt", text("Shader is not handled"));
  put(unpak / "MonoBehaviour" / "-1" / "688.bin", Bytes(13, 0xBE));  // leaves the file end unaligned
  put(unpak / "MonoBehaviour" / "-9" / "717.bin", Bytes(60, 0xBF));

  TextureData atlas = texture("Atlas", 12);
  atlas.width = 8;
  atlas.height = 4;
  atlas.imageData = dxt5;
  TextureData argb = texture("Atlas", 5);
  argb.width = 1;
  argb.height = 2;
  argb.imageData = {4, 3, 2, 1, 8, 7, 6, 5};
  FontData body = font("Body");
  body.fontData = Bytes(1001, 0xB0);
  body.characterRects = characterRects(2);
  FontData title = font("Title");
  title.characterRects = characterRects(1);
  Bytes localization = textAssetObject("Localization", text("\xEF\xBB\xBF新的文本"), "path");
  localization.resize((localization.size() + 3) / 4 * 4, 0);
  Bytes last = textAssetObject("Last", text("L"));
  shared.replaced = {
      {2, textureObject(atlas)},
      {5, fontObject(body, kLayout)},
      {6, fontObject(title, kLayout)},
      {7, localization},
      {9, textureObject(argb)},
      {688, Bytes(13, 0xBE)},
      {(std::int64_t{1} << 32) + 717, Bytes(60, 0xBF)},
      {-3, last},
  };

  resources.description.formatVersion = kFormat;
  resources.description.objects = {object(1, kTextAsset, textAssetObject("Localization", text("english")))};
  resources.path = data / "resources.assets";
  resources.built = buildAsset(resources.description);
  put(resources.path, resources.built.bytes);
  put(data / "resources_unpak" / "TextAsset" / "Localization.txt", text("中文"));
  Bytes translated = textAssetObject("Localization", text("中文"));
  resources.replaced = {{1, translated}};
}

void RepackScenario::expectRepacked(const Asset& asset) {
  const Bytes before = asset.built.bytes;
  const Bytes after = readFile(asset.path);
  ASSERT_GT(after.size(), before.size());

  SerializedFile file;
  ASSERT_EQ(file.load(asset.path.wstring()), LoadStatus::Loaded);
  const std::uint32_t dataOffset = file.headerCopy().dataOffset;
  EXPECT_EQ(file.headerCopy().fileSize, after.size());

  std::uint32_t previousEnd = static_cast<std::uint32_t>(before.size()) - dataOffset;
  for (const ObjectDescription& old : asset.description.objects) {
    const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(old.pathId));
    EXPECT_EQ(info.typeId, old.typeId);
    EXPECT_EQ(info.classId, old.classId);
    const auto replacement = asset.replaced.find(old.pathId);
    if (replacement == asset.replaced.end()) {
      EXPECT_EQ(file.readObjectBytes(info), old.data) << "path ID " << old.pathId << " must keep its data";
      continue;
    }
    EXPECT_EQ(file.readObjectBytes(info), replacement->second) << "path ID " << old.pathId;
    EXPECT_EQ((dataOffset + info.byteStart) % 4, 0u) << "path ID " << old.pathId;
  }
  // Appended in ascending unsigned path-ID order, one after the other.
  for (const auto& [key, info] : file.objects().entries()) {
    if (!asset.replaced.contains(info.pathId)) continue;
    EXPECT_GE(info.byteStart, previousEnd) << "path ID " << info.pathId;
    previousEnd = info.byteStart + info.byteSize;
  }

  // Outside the header's file size and the object table, the old bytes are all still there.
  const std::size_t tableStart = asset.built.objectTableStart;
  const std::size_t entries = (tableStart + 4 + 3) / 4 * 4;
  const std::size_t tableBytesEnd = entries + asset.description.objects.size() * 28;
  auto same = [&](std::size_t from, std::size_t to) {
    return std::equal(before.begin() + from, before.begin() + to, after.begin() + from);
  };
  EXPECT_TRUE(same(0, 4) && same(8, tableStart));
  EXPECT_TRUE(same(tableBytesEnd, before.size()));
}
