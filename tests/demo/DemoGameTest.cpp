#include <gtest/gtest.h>

#include <map>

#include "DemoGame.h"
#include "GameAssets.h"
#include "PayloadTestSupport.h"
#include "TextureDecode.h"
#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "codecs/DdsFile.h"
#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "codecs/TextureDecode.h"
#include "commands/EncodeCommand.h"
#include "commands/ExportCommand.h"
#include "images/PngFile.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/ChildProcess.h"

using namespace payloadtest;

namespace {

// The demo game's asset files are written by the engine's 5.2 releases.
constexpr const char* kDemoRelease = "5.2.3f1";

template <typename Record>
Record parsed(const Bytes& data, std::int32_t classId) {
  Record record;
  EXPECT_TRUE(record.parse(data, releaseLayout(classId, kDemoRelease).value()));
  return record;
}

// Every object of an asset file by path ID: its table entry and its bytes.
struct LoadedAsset {
  LoadStatus status = LoadStatus::CannotOpen;
  std::map<std::int64_t, ObjectInfo> infos;
  std::map<std::int64_t, Bytes> data;
};

LoadedAsset loadAsset(const std::filesystem::path& path) {
  LoadedAsset asset;
  SerializedFile file;
  asset.status = file.load(path.wstring());
  if (asset.status != LoadStatus::Loaded) return asset;
  for (const auto& [key, info] : file.objects().entries()) {
    asset.infos[info.pathId] = info;
    asset.data[info.pathId] = file.readObjectBytes(info);
  }
  file.close();
  return asset;
}

std::string text(const fields::Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const std::string kSharedUnpak = "Cindermoor_Data/sharedassets1_unpak/";

}  // namespace

TEST(DemoGame, WritesTheGameProgramAndTheFilesThePatchReplaces) {
  testsupport::TempDirectory temp;
  ASSERT_TRUE(makeDemoGame(temp / "game"));
  for (const char* name :
       {"Cindermoor.exe", "Cindermoor_Data/level0", "Cindermoor_Data/Managed/Assembly-CSharp.dll",
        "Data/Config/XUi/controls.xml", "Data/Config/XUi/windows.xml", "Data/Worlds/AshenReach/map_info.xml",
        "Data/Worlds/Saltmarsh/map_info.xml"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(temp / "game" / name)) << name;
  }
  // The English files differ from the translated ones that replace them.
  EXPECT_NE(testsupport::readFile(temp / "game/Data/Config/XUi/windows.xml"),
            testsupport::readFile(kPatchSource / "Data/Config/XUi/windows.xml"));
}

TEST(DemoGame, ResourcesHoldTheEnglishLocalizationTextAssetAmongOtherObjects) {
  testsupport::TempDirectory temp;
  ASSERT_TRUE(makeDemoGame(temp / "game"));
  const LoadedAsset asset = loadAsset(temp / "game/Cindermoor_Data/resources.assets");
  ASSERT_EQ(asset.status, LoadStatus::Loaded);
  ASSERT_EQ(asset.infos.size(), 6u);
  ASSERT_EQ(asset.infos.at(3).classId, 49);
  const auto localization = parsed<TextAssetRecord>(asset.data.at(3), 49);
  EXPECT_EQ(text(localization.name()), "Localization");
  EXPECT_TRUE(text(localization.script()).starts_with("Key,English\nmenu.new_game,New Game\n"));
  std::set<std::int32_t> classes;
  for (const auto& [pathId, info] : asset.infos) classes.insert(info.classId);
  EXPECT_EQ(classes, (std::set<std::int32_t>{1, 4, 48, 49, 83}));
}

TEST(DemoGame, SharedAssetsHoldFourTexturesFiveFontsAndThreeScriptObjects) {
  testsupport::TempDirectory temp;
  ASSERT_TRUE(makeDemoGame(temp / "game"));
  const LoadedAsset asset = loadAsset(temp / "game/Cindermoor_Data/sharedassets1.assets");
  ASSERT_EQ(asset.status, LoadStatus::Loaded);
  std::map<std::int32_t, int> perClass;
  for (const auto& [pathId, info] : asset.infos) ++perClass[info.classId];
  EXPECT_EQ(perClass, (std::map<std::int32_t, int>{{1, 1}, {21, 1}, {28, 4}, {114, 3}, {115, 2}, {128, 5}}));

  std::vector<std::int32_t> formats;
  for (const demo::DemoTexture& t : demo::kTextures) {
    SCOPED_TRACE(t.name);
    const auto texture = parsed<Texture2DRecord>(asset.data.at(t.pathId), 28);
    EXPECT_EQ(text(texture.name()), t.name);
    EXPECT_EQ(texture.width(), t.width);
    EXPECT_EQ(texture.height(), t.height);
    EXPECT_EQ(texture.mipLevels(), t.mipCount);
    Bytes pixels = demo::textureData(demo::Edition::Game, t);
    reorderChannels(t.format, pixels);
    EXPECT_EQ(texture.imageData(), pixels);
    formats.push_back(texture.textureFormat());
  }
  EXPECT_EQ(formats, (std::vector<std::int32_t>{10, 12, 5, 3}));
  for (const demo::DemoFont& f : demo::kFonts) {
    const auto font = parsed<FontRecord>(asset.data.at(f.pathId), 128);
    EXPECT_EQ(text(font.name()), f.name);
  }
  EXPECT_EQ(asset.infos.at(688).typeId, -1);
  EXPECT_EQ(asset.infos.at(717).typeId, -1);
  EXPECT_EQ(asset.infos.at(710).typeId, -9);
}

// What the installer's batch does, with the Linux qmx: extract install.zip over the demo game, then
// qmx -i on both asset files from the game folder.
namespace {

void installNatively(const std::filesystem::path& game) {
  extractZip(payloads().install, game);
  for (const wchar_t* asset :
       {L".\\Cindermoor_Data\\resources.assets", L".\\Cindermoor_Data\\sharedassets1.assets"}) {
    const testsupport::ChildResult run = testsupport::runProgram(NATIVE_QMX, {L"-i", asset}, game);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output.ends_with(testsupport::consoleBytes(L"完成！") + testsupport::kLineEnd))
        << run.output;
  }
}

}  // namespace

TEST(DemoGame, QmxImportReplacesTheObjectsThatTheInstallArchiveCarries) {
  testsupport::TempDirectory temp;
  const std::filesystem::path game = temp / "game";
  ASSERT_TRUE(makeDemoGame(game));
  const LoadedAsset sharedBefore = loadAsset(game / "Cindermoor_Data/sharedassets1.assets");
  const LoadedAsset resourcesBefore = loadAsset(game / "Cindermoor_Data/resources.assets");
  installNatively(game);

  const LoadedAsset resources = loadAsset(game / "Cindermoor_Data/resources.assets");
  ASSERT_EQ(resources.status, LoadStatus::Loaded);
  const auto localization = parsed<TextAssetRecord>(resources.data.at(3), 49);
  EXPECT_EQ(localization.script(), testsupport::readFile(kPatchSource / "Localization.txt"));
  for (std::int64_t untouched : {1, 2, 4, 5, 6})
    EXPECT_EQ(resources.data.at(untouched), resourcesBefore.data.at(untouched));

  const LoadedAsset shared = loadAsset(game / "Cindermoor_Data/sharedassets1.assets");
  ASSERT_EQ(shared.status, LoadStatus::Loaded);
  const std::filesystem::path unpak = game / kSharedUnpak;
  for (const demo::DemoTexture& t : demo::kTextures) {
    SCOPED_TRACE(t.name);
    const auto texture = parsed<Texture2DRecord>(shared.data.at(t.pathId), 28);
    EXPECT_EQ(texture.width(), t.width);
    EXPECT_EQ(texture.height(), t.height);
    EXPECT_EQ(texture.mipLevels(), t.mipCount);
    EXPECT_EQ(texture.textureFormat(), t.format);
    const Bytes dds = testsupport::readFile(unpak / "Texture2D" / (std::string(t.name) + ".dds"));
    fields::Bytes image(dds.begin() + 128, dds.end());
    reorderChannels(t.format, image);
    EXPECT_EQ(texture.imageData(), image);
  }
  for (const demo::DemoFont& f : demo::kFonts) {
    SCOPED_TRACE(f.name);
    const auto font = parsed<FontRecord>(shared.data.at(f.pathId), 128);
    EXPECT_EQ(font.fontData(), testsupport::readFile(unpak / "Font" / (std::string(f.name) + ".ttf")))
        << f.name;
  }
  for (const demo::DemoScript& s : demo::kScripts) {
    const auto bin = unpak / "MonoBehaviour" / std::to_string(s.typeId) / (std::to_string(s.pathId) + ".bin");
    EXPECT_EQ(shared.data.at(s.pathId), testsupport::readFile(bin)) << s.name;
    EXPECT_NE(shared.data.at(s.pathId), sharedBefore.data.at(s.pathId)) << s.name;
  }
  for (std::int64_t untouched : {1, 2, 40, 41})
    EXPECT_EQ(shared.data.at(untouched), sharedBefore.data.at(untouched));

  // The game's own program reads back what the patch put there: the patch's Ashfall screen, its
  // first translated tip and its EmberSans.
  const game::ScreenContent content = game::loadScreenContent(game.wstring());
  ASSERT_TRUE(content.screen) << testing::PrintToString(content.failure);
  const demo::DemoTexture& ashfall = demo::kTextures[0];
  const Bytes dds = testsupport::readFile(unpak / "Texture2D" / (std::string(ashfall.name) + ".dds"));
  const std::span<const std::uint8_t> image(dds.begin() + 128, dds.end());
  EXPECT_EQ(content.screen->picture.pixels,
            game::decodeTopLevel(ashfall.format, ashfall.width, ashfall.height, image).picture.pixels);
  EXPECT_EQ(content.screen->tip, L"余烬在雨中熄灭得更快。");
  EXPECT_EQ(content.screen->fontData, testsupport::readFile(unpak / "Font" / "EmberSans.ttf"));
  EXPECT_EQ(content.screen->fontFamilies.front(), L"WenQuanYi Zen Hei");
}

// A player who installs the patch again: every object already holds what the patch gives it, so the
// second install appends nothing and neither asset file changes by a byte.
TEST(DemoGame, InstallingThePatchAgainChangesNoByteOfTheAssetFiles) {
  testsupport::TempDirectory temp;
  const std::filesystem::path game = temp / "game";
  ASSERT_TRUE(makeDemoGame(game));
  const std::filesystem::path shared = game / "Cindermoor_Data/sharedassets1.assets";
  const std::filesystem::path resources = game / "Cindermoor_Data/resources.assets";
  const Bytes sharedBefore = testsupport::readFile(shared);
  installNatively(game);
  const Bytes sharedOnce = testsupport::readFile(shared);
  const Bytes resourcesOnce = testsupport::readFile(resources);
  ASSERT_GT(sharedOnce.size(), sharedBefore.size()) << "the first install appends";

  installNatively(game);
  EXPECT_EQ(testsupport::readFile(shared).size(), sharedOnce.size());
  EXPECT_TRUE(testsupport::readFile(shared) == sharedOnce);
  EXPECT_TRUE(testsupport::readFile(resources) == resourcesOnce);
}

// A translator's first run on the demo game: export, check, and qmx -i on the untouched export,
// each without a complaint, no empty file in the export, and every object holding what it held
// (qmx pads what it appends to a multiple of 4).
TEST(DemoGame, AnUntouchedExportChecksCleanAndQmxKeepsEveryObject) {
  testsupport::TempDirectory temp;
  ASSERT_TRUE(makeDemoGame(temp / "game"));
  for (const char* name : {"resources", "sharedassets1"}) {
    SCOPED_TRACE(name);
    const std::filesystem::path asset = temp / "game/Cindermoor_Data" / (std::string(name) + ".assets");
    const LoadedAsset before = loadAsset(asset);
    const testsupport::ChildResult exported =
        testsupport::runProgram(NATIVE_CMKIT, {L"export", asset.wstring()}, temp.path());
    EXPECT_EQ(exported.exitCode, 0) << exported.output;
    for (const auto& [file, bytes] :
         testsupport::folderContents(asset.parent_path() / (std::string(name) + "_unpak")))
      EXPECT_TRUE(file.ends_with('/') || !bytes.empty()) << file << " is empty";
    const testsupport::ChildResult checked =
        testsupport::runProgram(NATIVE_CMKIT, {L"check", asset.wstring()}, temp.path());
    EXPECT_EQ(checked.exitCode, 0) << checked.output;

    const testsupport::ChildResult repacked =
        testsupport::runProgram(NATIVE_QMX, {L"-i", asset.wstring()}, temp.path());
    EXPECT_EQ(repacked.output, testsupport::consoleBytes(L"正在重新打包！请不要关闭本窗口！\n完成！\n"));
    const LoadedAsset after = loadAsset(asset);
    ASSERT_EQ(after.status, LoadStatus::Loaded);
    for (const auto& [pathId, bytes] : before.data) {
      Bytes padded = bytes;
      padded.resize((padded.size() + 3) / 4 * 4, 0);
      const Bytes& now = after.data.at(pathId);
      EXPECT_TRUE(now == bytes || now == padded) << "path ID " << pathId;
    }
  }
}

namespace {

// The texture's image data in the rebuilt demo game.
Texture2DRecord rebuiltTexture(const std::filesystem::path& asset, std::int64_t pathId) {
  const LoadedAsset loaded = loadAsset(asset);
  return parsed<Texture2DRecord>(loaded.data.at(pathId), 28);
}

}  // namespace

// A translator's round trip on the demo game: export --png, paint a loading screen (DXT1, 11 levels)
// and the atlas (ARGB32) one colour each, encode, qmx -i: every level of each holds that colour.
// The colour is one DXT1 keeps exactly (its 5-6-5 form widens back to it).
TEST(DemoGame, APictureEditedByATranslatorReachesEveryMipLevel) {
  testsupport::TempDirectory temp;
  const std::filesystem::path game = temp / "game";
  ASSERT_TRUE(makeDemoGame(game));
  const std::filesystem::path asset = game / "Cindermoor_Data/sharedassets1.assets";
  ClassIdTable classes;
  classes.build(*platform::classTableText());
  ExportOptions options{asset.wstring()};
  options.png = true;
  ASSERT_EQ(exportObjects(options, classes, [](std::wstring_view) {}), 0);
  const std::filesystem::path textures = game / kSharedUnpak / "Texture2D";
  std::filesystem::remove_all(game / kSharedUnpak / "Font");
  std::filesystem::remove_all(game / kSharedUnpak / "MonoBehaviour");
  const Bytes red = {255, 0, 0, 255};
  for (const char* name : {"LoadingScreen_Ashfall", "UIAtlas"}) {
    png_file::ReadFailure failure;
    texture_decode::Image picture =
        *png_file::read(testsupport::readFile(textures / (std::string(name) + ".png")), failure);
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4)
      std::copy(red.begin(), red.end(), picture.rgba.begin() + i);
    testsupport::writeFile(textures / (std::string(name) + ".png"), *png_file::write(picture, true));
  }
  std::filesystem::remove(textures / "LoadingScreen_Moorlight.png");
  std::filesystem::remove(textures / "LoadingScreen_Hearth.png");
  ASSERT_EQ(encodePictures({asset.wstring()}, classes, [](std::wstring_view) {}), 0);
  for (const char* png : {"LoadingScreen_Ashfall.png", "UIAtlas.png"})
    std::filesystem::remove(textures / png);
  std::vector<std::wstring> lines;
  runRepack(asset.wstring(), classes, [&](std::wstring_view line) { lines.emplace_back(line); });
  EXPECT_EQ(lines.back(), L"完成！");

  for (const demo::DemoTexture& t : demo::kTextures) {
    if (std::string_view(t.name) != "LoadingScreen_Ashfall" && std::string_view(t.name) != "UIAtlas")
      continue;
    SCOPED_TRACE(t.name);
    const Texture2DRecord texture = rebuiltTexture(asset, t.pathId);
    ASSERT_EQ(texture.mipLevels(), t.mipCount);
    const Bytes data = texture.imageData();
    std::size_t offset = 0;
    std::int32_t width = t.width, height = t.height;
    for (std::uint32_t level = 0; level < t.mipCount; ++level) {
      const std::uint64_t length = *dds::imageLength(t.format, width, height, 1);
      const texture_decode::Decoded decoded = texture_decode::decodeTopLevel(
          t.format, width, height, std::span<const std::uint8_t>(data).subspan(offset, length));
      ASSERT_EQ(decoded.status, texture_decode::Status::Decoded) << "level " << level;
      for (std::size_t i = 0; i < decoded.image.rgba.size(); i += 4) {
        ASSERT_EQ(Bytes(decoded.image.rgba.begin() + i, decoded.image.rgba.begin() + i + 4), red)
            << "level " << level;
      }
      offset += length;
      width = std::max(width / 2, 1);
      height = std::max(height / 2, 1);
    }
    EXPECT_EQ(offset, data.size());
  }
}
