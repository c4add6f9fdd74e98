// Textures as translators edit them: decoded to pictures, written and read as PNG, encoded back in
// the texture's own format with its mip levels, and through the kit's export --png and encode and
// qmx's repack.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/ClassIdTable.h"
#include "app/RepackRun.h"
#include "codecs/DdsFile.h"
#include "codecs/LayoutSource.h"
#include "codecs/Texture2DRecord.h"
#include "codecs/TextureDecode.h"
#include "commands/CheckCommand.h"
#include "commands/EncodeCommand.h"
#include "commands/ExportCommand.h"
#include "images/MobileDecode.h"
#include "images/PngFile.h"
#include "images/TextureEncode.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/PictureQuality.h"
#include "support/Releases.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;
using texture_decode::Image;

namespace {

constexpr std::int16_t kTexture2D = 28;
constexpr std::int32_t kUncompressed[] = {1, 2, 3, 4, 5, 7, 13, 37};

texture_decode::Rgba pixelOf(std::int32_t format, const Bytes& stored) {
  const texture_decode::Decoded decoded = texture_decode::decodeTopLevel(format, 1, 1, stored);
  EXPECT_EQ(decoded.status, texture_decode::Status::Decoded) << format;
  texture_decode::Rgba pixel{};
  std::copy(decoded.image.rgba.begin(), decoded.image.rgba.begin() + 4, pixel.begin());
  return pixel;
}

Bytes randomBytes(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(length);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

std::size_t bytesPerPixel(std::int32_t format) {
  return format == 1 ? 1 : format == 2 || format == 7 || format == 13 ? 2 : format == 3 ? 3 : 4;
}

// A picture with smooth areas, edges and an alpha ramp, as loading screens and atlases have them.
Image testPicture(std::int32_t width, std::int32_t height) {
  Image image{width, height, Bytes(static_cast<std::size_t>(width) * height * 4)};
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / (width - 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / (height - 1));
      p[2] = static_cast<std::uint8_t>(((x / 8 + y / 8) % 2) ? 200 : 60);
      p[3] = static_cast<std::uint8_t>((x + y) * 255 / (width + height - 2));
    }
  }
  return image;
}

Image decodedTop(std::int32_t format, std::int32_t width, std::int32_t height, const Bytes& data) {
  texture_decode::Decoded decoded = texture_decode::decodeTopLevel(format, width, height, data);
  EXPECT_EQ(decoded.status, texture_decode::Status::Decoded);
  return std::move(decoded.image);
}

TEST(Pictures, EveryUncompressedFormatDecodesAsItsChannelsSay) {
  using Rgba = texture_decode::Rgba;
  EXPECT_EQ(pixelOf(1, {0x80}), (Rgba{255, 255, 255, 0x80}));            // Alpha8
  EXPECT_EQ(pixelOf(2, {0x34, 0x12}), (Rgba{0x22, 0x33, 0x44, 0x11}));   // ARGB4444
  EXPECT_EQ(pixelOf(13, {0x34, 0x12}), (Rgba{0x11, 0x22, 0x33, 0x44}));  // RGBA4444
  EXPECT_EQ(pixelOf(7, {0x1F, 0xF8}), (Rgba{255, 0, 255, 255}));         // RGB565
  EXPECT_EQ(pixelOf(7, {0xE0, 0x07}), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(pixelOf(7, {0x10, 0x84}), (Rgba{0x84, 0x82, 0x84, 255}));  // widened by repetition
  EXPECT_EQ(pixelOf(3, {1, 2, 3}), (Rgba{1, 2, 3, 255}));              // RGB24
  EXPECT_EQ(pixelOf(4, {1, 2, 3, 4}), (Rgba{1, 2, 3, 4}));             // RGBA32
  EXPECT_EQ(pixelOf(5, {1, 2, 3, 4}), (Rgba{2, 3, 4, 1}));             // ARGB32
  EXPECT_EQ(pixelOf(37, {1, 2, 3, 4}), (Rgba{3, 2, 1, 4}));            // BGRA32 of 4.x
}

// Whatever bytes an uncompressed texture holds, its picture through a PNG file encodes back to
// exactly those bytes.
TEST(Pictures, UncompressedFormatsComeBackExactlyThroughAPngFile) {
  for (const std::int32_t format : kUncompressed) {
    SCOPED_TRACE(format);
    const Bytes stored = randomBytes(7 * 5 * bytesPerPixel(format), static_cast<unsigned>(format));
    const Image picture = decodedTop(format, 7, 5, stored);
    const std::optional<Bytes> png = png_file::write(picture, texture_decode::hasAlpha(format));
    ASSERT_TRUE(png);
    png_file::ReadFailure failure;
    const std::optional<Image> read = png_file::read(*png, failure);
    ASSERT_TRUE(read) << failure.reason;
    EXPECT_EQ(read->rgba, picture.rgba);
    EXPECT_EQ(texture_encode::encode(format, *read, 1), stored);
  }
}

// DXT is lossy: the stated floor, on a picture of gradients, edges and an alpha ramp.
TEST(Pictures, DxtComesWithinItsStatedQuality) {
  Image picture = testPicture(64, 48);
  Image opaque = picture;  // DXT1 keeps only transparent black, for alpha below a half
  for (std::size_t i = 3; i < opaque.rgba.size(); i += 4) opaque.rgba[i] = 255;
  const Image dxt1 = decodedTop(10, 64, 48, texture_encode::encode(10, opaque, 1));
  EXPECT_GT(psnr(opaque, dxt1, 3), 32.0);
  const Image dxt5 = decodedTop(12, 64, 48, texture_encode::encode(12, picture, 1));
  EXPECT_GT(psnr(picture, dxt5, 4), 32.0);
}

// Levels halve, rounded down, to 1 on a side, and lie one after another as the DDS length says.
TEST(Pictures, MipLevelsOfAnySizeHalveDownToOnePixel) {
  const Image picture = testPicture(5, 3);
  for (const std::int32_t format : {4, 3, 10, 12}) {
    SCOPED_TRACE(format);
    const Bytes data = texture_encode::encode(format, picture, 3);
    EXPECT_EQ(data.size(), dds::imageLength(format, 5, 3, 3).value());
  }
  const Bytes rgba = texture_encode::encode(4, picture, 3);
  const Image second = texture_encode::downscale(picture, 2, 1);
  const Image third = texture_encode::downscale(second, 1, 1);
  EXPECT_EQ(Bytes(rgba.begin() + 60, rgba.begin() + 68), second.rgba);
  EXPECT_EQ(Bytes(rgba.begin() + 68, rgba.end()), third.rgba);
}

#ifndef _WIN32
// An ASTC block of one colour (a void-extent block: its marker, no extent, then R G B A as 16-bit
// values): the only kind whose texels can be worked out by hand.
Bytes constantAstcBlock(std::uint16_t r, std::uint16_t g, std::uint16_t b, std::uint16_t a) {
  Bytes block = {0xFC, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (const std::uint16_t value : {r, g, b, a})
    block.insert(block.end(), {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)});
  return block;
}

// ASTC (Linux build): blocks of the format's size, bottom rows first like every texture's.
TEST(Pictures, AstcDecodesWithItsBlocksBottomFirst) {
  Bytes data = constantAstcBlock(0xFFFF, 0, 0x8080, 0xFFFF);  // the bottom block: red-violet
  const Bytes top = constantAstcBlock(0, 0xFFFF, 0, 0x8080);  // the top block: green, half alpha
  data.insert(data.end(), top.begin(), top.end());
  ASSERT_TRUE(mobile_decode::decodes(54));  // ASTC_RGBA_4x4
  const std::optional<Image> image = mobile_decode::decodeTopLevel(54, 4, 8, data);
  ASSERT_TRUE(image);
  EXPECT_EQ(Bytes(image->rgba.begin(), image->rgba.begin() + 4), (Bytes{0, 255, 0, 128}));
  EXPECT_EQ(Bytes(image->rgba.end() - 4, image->rgba.end()), (Bytes{255, 0, 128, 255}));
  EXPECT_FALSE(mobile_decode::decodeTopLevel(54, 4, 12, data)) << "a block short";
  EXPECT_FALSE(mobile_decode::decodes(34)) << "ETC is named, not decoded";
}
#endif

TEST(Pictures, DownscaleAveragesLightAndWeighsByAlpha) {
  const auto one = [](const Image& source) { return texture_encode::downscale(source, 1, 1).rgba; };
  // Black and white average to half the light, which sRGB writes as 188, not 128.
  EXPECT_EQ(one({2, 1, {0, 0, 0, 255, 255, 255, 255, 255}}), (Bytes{188, 188, 188, 255}));
  // A transparent neighbour gives half the coverage but none of its colour.
  EXPECT_EQ(one({2, 1, {255, 0, 0, 255, 0, 0, 255, 0}}), (Bytes{255, 0, 0, 128}));
  // Where all is transparent, the colour stays.
  EXPECT_EQ(one({2, 1, {0, 0, 255, 0, 0, 0, 255, 0}}), (Bytes{0, 0, 255, 0}));
  // Three pixels into one: each counts a third.
  EXPECT_EQ(one({3, 1, {255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255}}), (Bytes{213, 213, 213, 255}));
  // Five into two: the middle pixel is split between them.
  const Image split = texture_encode::downscale(
      {5, 1, {0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}}, 2, 1);
  EXPECT_EQ(split.rgba[0], 124);  // a fifth of the light: (0 + 0 + 0.5) / 2.5
  EXPECT_EQ(split.rgba[4], 255);
}

class KitPictures : public ::testing::TestWithParam<Release> {
 protected:
  std::filesystem::path asset() const { return dir_ / "sharedassets1.assets"; }
  std::filesystem::path texturesFolder() const { return dir_ / "sharedassets1_unpak" / "Texture2D"; }

  // An RGBA32 texture of 8 x 4 with a whole mip chain (4 levels), a DXT5 one and an ETC one.
  void build() {
    const Release& release = GetParam();
    AssetDescription d;
    d.formatVersion = release.formatVersion;
    d.engineVersion = release.engineVersion;
    TextureData rgba;
    rgba.name = "Banner";
    rgba.textureFormat = 4;
    rgba.width = 8;
    rgba.height = 4;
    rgba.mipValue = 4;
    rgba.flags = {1, 0, 1};  // a whole chain, where the release has a bool for it
    rgba.imageData = randomBytes(4 * (32 + 8 + 2 + 1), 1);
    TextureData dxt5 = rgba;
    dxt5.name = "Atlas";
    dxt5.textureFormat = 12;
    dxt5.imageData = randomBytes(16 * (2 + 1 + 1 + 1), 2);
    TextureData etc = rgba;
    etc.name = "Mobile";
    etc.textureFormat = 34;
    etc.mipValue = 1;
    etc.flags = {0, 0, 1};
    etc.imageData = randomBytes(16, 3);
    d.objects = {{1, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(rgba, release.texture)},
                 {2, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(dxt5, release.texture)},
                 {3, kTexture2D, kTexture2D, 0xFFFF, 0, textureObject(etc, release.texture)}};
    writeFile(asset(), buildAsset(d).bytes);
  }

  std::vector<std::wstring> run(const std::function<int(const LinePrinter&)>& command, int expectedStatus) {
    std::vector<std::wstring> lines;
    EXPECT_EQ(command([&](std::wstring_view line) { lines.emplace_back(line); }), expectedStatus);
    return lines;
  }
  std::vector<std::wstring> exportPictures(int expectedStatus) {
    ExportOptions options{asset().wstring()};
    options.png = true;
    return run([&](const LinePrinter& print) { return exportObjects(options, classes_, print); },
               expectedStatus);
  }
  std::vector<std::wstring> encode(int expectedStatus) {
    return run([&](const LinePrinter& print) { return encodePictures({asset().wstring()}, classes_, print); },
               expectedStatus);
  }

  Texture2DRecord textureAfter(std::int64_t pathId) {
    SerializedFile file;
    EXPECT_EQ(file.loadReadOnly(asset().wstring()), LoadStatus::Loaded);
    const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(pathId));
    Texture2DRecord record;
    EXPECT_TRUE(record.parse(file.readObjectBytes(info), objectLayout(file, info).value()));
    return record;
  }

  std::wstring wide(const std::filesystem::path& path) const { return path.wstring(); }

  ClassIdTable classes_ = [] {
    ClassIdTable classes;
    classes.build(*platform::classTableText());
    return classes;
  }();
  TempDirectory dir_;
};

// export --png, one picture edited, encode, qmx -i: the texture holds the edited picture at every
// mip level it has. The edit paints the picture one colour, which every level must then be.
TEST_P(KitPictures, ATranslatorsRoundTripReachesEveryMipLevel) {
  build();
  const std::vector<std::wstring> exported = exportPictures(1);
  const std::wstring folder = (dir_ / "sharedassets1_unpak").wstring();
  EXPECT_EQ(exported,
            (std::vector<std::wstring>{L"已导出：" + folder + L"\\Texture2D\\Banner.png",
                                       L"已导出：" + folder + L"\\Texture2D\\Atlas.png",
                                       L"未导出：Texture2D Mobile (PathID 3)（无法解码纹理格式 34）",
                                       L"完成！导出 2 个文件，1 个对象未导出。"}));
  png_file::ReadFailure failure;
  std::optional<Image> banner = png_file::read(readFile(texturesFolder() / "Banner.png"), failure);
  ASSERT_TRUE(banner);
  EXPECT_EQ(banner->width, 8);
  EXPECT_EQ(banner->height, 4);
  for (std::size_t i = 0; i < banner->rgba.size(); i += 4) {
    banner->rgba[i] = 10;
    banner->rgba[i + 1] = 200;
    banner->rgba[i + 2] = 30;
    banner->rgba[i + 3] = 255;
  }
  writeFile(texturesFolder() / "Banner.png", png_file::write(*banner, true).value());

  EXPECT_EQ(encode(0), (std::vector<std::wstring>{L"已编码：" + folder + L"\\Texture2D\\Banner.dds",
                                                  L"已编码：" + folder + L"\\Texture2D\\Atlas.dds",
                                                  L"完成！编码 2 个图片，0 个未编码。"}));
  EXPECT_TRUE(std::filesystem::exists(texturesFolder() / "Banner.png")) << "the picture stays";
  std::vector<std::wstring> lines;
  runRepack(wide(asset()), classes_, [&](std::wstring_view line) { lines.emplace_back(line); });
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"正在重新打包！请不要关闭本窗口！", L"完成！"}));

  const Texture2DRecord after = textureAfter(1);
  ASSERT_EQ(after.mipLevels(), 4u);
  const Bytes data = after.imageData();
  ASSERT_EQ(data.size(), 4u * (32 + 8 + 2 + 1));
  for (std::size_t i = 0; i < data.size(); i += 4)
    EXPECT_EQ(Bytes(data.begin() + i, data.begin() + i + 4), (Bytes{10, 200, 30, 255})) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(Releases, KitPictures, ::testing::ValuesIn(kReleases));

// What encode cannot do is named, and no DDS file is written for it.
TEST_P(KitPictures, EncodeNamesWhatItCannotEncode) {
  build();
  const Image wrongSize = testPicture(4, 4);
  writeFile(texturesFolder() / "Banner.png", png_file::write(wrongSize, true).value());
  writeFile(texturesFolder() / "Atlas.png", Bytes{'n', 'o', 't', ' ', 'p', 'n', 'g'});
  writeFile(texturesFolder() / "Mobile.png", png_file::write(testPicture(8, 4), true).value());
  const std::vector<std::wstring> lines = encode(1);
  const std::wstring folder = (dir_ / "sharedassets1_unpak").wstring() + L"\\Texture2D\\";
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], L"未编码：" + folder +
                          L"Banner.png（Texture2D Banner (PathID 1)）（图片为 4×4，纹理为 8×4，尺寸须相同）");
  EXPECT_TRUE(lines[1].starts_with(L"未编码：" + folder +
                                   L"Atlas.png（Texture2D Atlas (PathID 2)）（不是可读的 PNG 图片："));
  EXPECT_EQ(lines[2], L"未编码：" + folder +
                          L"Mobile.png（Texture2D Mobile (PathID 3)）（qmx 不导入纹理格式 34，无法编码）");
  EXPECT_EQ(lines[3], L"完成！编码 0 个图片，3 个未编码。");
  for (const char* dds : {"Banner.dds", "Atlas.dds", "Mobile.dds"})
    EXPECT_FALSE(std::filesystem::exists(texturesFolder() / dds)) << dds;
}

// check takes a picture where the DDS file is looked for as the texture's replacement.
TEST_P(KitPictures, CheckTakesAPictureForItsTexture) {
  build();
  writeFile(texturesFolder() / "Banner.png", png_file::write(testPicture(8, 4), true).value());
  writeFile(texturesFolder() / "Atlas.png", png_file::write(testPicture(8, 8), false).value());
  std::vector<std::wstring> lines =
      run([&](const LinePrinter& print) { return checkFolder({asset().wstring()}, classes_, print); }, 1);
  EXPECT_EQ(
      lines,
      (std::vector<std::wstring>{
          L"Texture2D\\Atlas.png：图片为 8×8，纹理为 8×4，尺寸须相同（Texture2D Atlas (PathID 2)）",
          L"Texture2D\\Banner.png：替换 Texture2D Banner (PathID 1)", L"检查完成：2 个文件，1 处问题。"}));
}

}  // namespace
