#include <gtest/gtest.h>

#include <set>

#include "codecs/DdsFile.h"
#include "support/Files.h"

using namespace testsupport;

namespace {

Bytes writtenHeader(const dds::Header& header, const std::filesystem::path& file) {
  writeFile(file, {});
  AssetStream stream;
  EXPECT_TRUE(stream.open(file.wstring(), false));
  header.write(stream);
  EXPECT_TRUE(stream.close());
  return readFile(file);
}

TEST(DdsFile, HeadersReadBackAsWrittenWithTheLevelsAndFormat) {
  TempDirectory dir;
  for (const std::int32_t format : {1, 2, 3, 4, 5, 7, 10, 12, 13, 37}) {
    const std::optional<dds::Header> header = dds::headerFor(format, 1920, 1200, 11);
    ASSERT_TRUE(header) << format;
    const Bytes bytes = writtenHeader(*header, dir / "h.dds");
    ASSERT_EQ(bytes.size(), dds::kHeaderLength);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{'D', 'D', 'S', ' '}));
    AssetStream stream(bytes);
    dds::Header read;
    ASSERT_TRUE(read.read(stream)) << format;
    EXPECT_EQ(read.width, 1920);
    EXPECT_EQ(read.height, 1200);
    EXPECT_EQ(read.mipCount, 11u);
    EXPECT_EQ(read.pixelFormat, header->pixelFormat) << format;
  }
  const Bytes dxt1 = writtenHeader(*dds::headerFor(10, 1920, 1200, 1), dir / "d.dds");
  EXPECT_EQ(Bytes(dxt1.begin() + 84, dxt1.begin() + 88), (Bytes{'D', 'X', 'T', '1'}));
  AssetStream single(dxt1);
  dds::Header one;
  ASSERT_TRUE(one.read(single));
  EXPECT_EQ(one.mipCount, 1u);
  EXPECT_EQ(one.pitchOrLinearSize, 1'152'000u) << "the first level's bytes";
}

TEST(DdsFile, OnlyTheImportedFormatsHaveAPixelFormat) {
  const std::set<std::int32_t> imported = {1, 2, 3, 4, 5, 7, 10, 12, 13, 37};
  for (std::int32_t format = -1; format < 64; ++format) {
    EXPECT_EQ(dds::pixelFormatOf(format).has_value(), imported.contains(format)) << format;
  }
}

TEST(DdsFile, ImageLengthsFollowTheLevelsDownToOnePixelOrBlock) {
  EXPECT_EQ(dds::imageLength(10, 1920, 1200, 1), 1'152'000u);
  EXPECT_EQ(dds::imageLength(12, 4, 4, 3), 48u) << "every level takes at least one block";
  EXPECT_EQ(dds::imageLength(5, 4, 2, 3), 32u + 8u + 4u);
  EXPECT_EQ(dds::imageLength(3, 3, 1, 1), 9u);
  EXPECT_EQ(dds::imageLength(14, 4, 4, 1), std::nullopt);
  EXPECT_EQ(dds::imageLength(10, 0, 4, 1), std::nullopt);
  EXPECT_EQ(dds::fullChainLevels(2048, 1024), 12u);
  EXPECT_EQ(dds::fullChainLevels(1, 1), 1u);
}

TEST(DdsFile, AnythingButAPublishedHeaderIsRefused) {
  Bytes bytes(dds::kHeaderLength, 0);
  AssetStream zeros(bytes);
  EXPECT_FALSE(dds::Header().read(zeros));
  AssetStream shortFile(Bytes{'D', 'D', 'S', ' ', 124, 0, 0, 0});
  EXPECT_FALSE(dds::Header().read(shortFile));
}

}  // namespace
