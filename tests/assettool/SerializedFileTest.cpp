#include "serialized/SerializedFile.h"

#include <gtest/gtest.h>

#include "layouts/ObjectLayouts.h"
#include "serialized/FormatVersion.h"
#include "support/Files.h"
#include "support/SampleAssets.h"

using namespace testsupport;

namespace {

class SerializedFileTest : public ::testing::Test {
 protected:
  std::wstring place(const Bytes& bytes, const std::string& name = "test.assets") {
    path_ = dir_ / name;
    writeFile(path_, bytes);
    return path_.wstring();
  }
  Bytes onDisk() const { return readFile(path_); }
  void expectEveryTruncationRefused(const Bytes& original) {
    for (std::size_t length = 0; length < original.size(); ++length) {
      const Bytes truncated(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(length));
      SerializedFile file;
      EXPECT_EQ(file.load(place(truncated)), LoadStatus::Damaged) << "length " << length;
    }
  }

  TempDirectory dir_;
  std::filesystem::path path_;
};

// The path ID a description's object has once read: 32-bit below the 64-bit formats.
std::int64_t storedPathId(std::int64_t pathId, std::int32_t formatVersion) {
  return format::hasLargePathIds(formatVersion) ? pathId : static_cast<std::uint32_t>(pathId);
}

class EveryFormat : public SerializedFileTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryFormat, LoadsHeaderMetadataTypesAndObjects) {
  const int version = GetParam();
  const AssetDescription description = sampleAsset(version);
  const BuiltAsset built = buildAsset(description);
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);

  const SerializedFileHeader header = file.headerCopy();
  EXPECT_EQ(header.formatVersion, version);
  EXPECT_EQ(header.fileSize, built.bytes.size());
  EXPECT_EQ(header.dataOffset, built.dataOffset);
  EXPECT_EQ(header.metadataStart(), built.metadataStart);
  EXPECT_EQ(file.metadata().context.engineVersion, format::hasEngineVersion(version) ? "5.2.3f1" : "");
  EXPECT_EQ(file.metadata().targetPlatform, format::hasEngineVersion(version) ? 19 : 0);

  const auto& types = file.metadata().types.entries;
  ASSERT_EQ(types.size(), 3u);
  EXPECT_EQ(types.begin()->first, -1);
  EXPECT_TRUE(file.metadata().types.hasTypeTrees == !format::hasHashedTypeList(version));
  if (format::hasHashedTypeList(version)) {
    EXPECT_EQ(types.at(-1).scriptId[0], 0x10);
    EXPECT_EQ(types.at(28).typeHash[15], 0x40 + 15);
  }

  ASSERT_EQ(file.objects().entries().size(), description.objects.size());
  for (std::size_t i = 0; i < description.objects.size(); ++i) {
    const ObjectDescription& expected = description.objects[i];
    const std::int64_t pathId = storedPathId(expected.pathId, version);
    const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(pathId));
    EXPECT_EQ(info.pathId, pathId);
    EXPECT_EQ(info.byteStart, built.byteStarts[i]);
    EXPECT_EQ(info.typeId, expected.typeId);
    EXPECT_EQ(info.classId, expected.classId);
    EXPECT_EQ(info.scriptTypeIndex, expected.scriptTypeIndex);
    EXPECT_EQ(info.strippedWord, format::hasStrippedWord(version) ? expected.strippedWord : 0);
    EXPECT_EQ(file.readObjectBytes(info), expected.data);
  }
  // Names are read in the metadata's byte order; the sample's object data is little-endian.
  if (!format::hasBigEndianMetadata(version)) {
    EXPECT_EQ(file.readObjectName(file.objects().entries().at(2), 100), "Atlas");
  }
}

TEST_P(EveryFormat, SavingWithoutChangesLeavesWritableFilesByteForByte) {
  const int version = GetParam();
  const Bytes original = buildAsset(sampleAsset(version)).bytes;
  SerializedFile file;
  ASSERT_EQ(file.load(place(original)), LoadStatus::Loaded);
  const SaveStatus status = file.save();
  EXPECT_TRUE(file.close());
  EXPECT_EQ(status, format::isWritable(version) ? SaveStatus::Saved : SaveStatus::NotWritable);
  EXPECT_EQ(onDisk(), original);
}

TEST_P(EveryFormat, EveryTruncationIsRefused) {
  expectEveryTruncationRefused(buildAsset(sampleAsset(GetParam())).bytes);
}

// Around every threshold: big-endian metadata below 5, engine version from 7, header and metadata
// moved at 9, hashed types and 64-bit path IDs from 14, the extra object word from 15.
INSTANTIATE_TEST_SUITE_P(Versions, EveryFormat, ::testing::Values(4, 5, 6, 7, 8, 9, 13, 14, 15));

// Newer formats lay out their table, types and (from 22) header differently: read as a 15 they
// would be misread and then written over.
// 16 and 18 were written only by alpha releases; 24 and later put data no type tree describes in
// objects.
TEST_F(SerializedFileTest, Formats16And18And24OnAreRefusedOnceTheHeaderIsRead) {
  const Bytes sample = buildAsset(sampleAsset(15)).bytes;
  for (const Bytes& bytes : {withVersionWord(sample, 16), withVersionWord(sample, 18),
                             withVersionWord(sample, 24), withVersionWord(sample, 0x7FFFFFFF)}) {
    SerializedFile file;
    EXPECT_EQ(file.load(place(bytes)), LoadStatus::VersionUnsupported);
    EXPECT_TRUE(file.objects().entries().empty());
    EXPECT_TRUE(file.close());
    EXPECT_EQ(onDisk(), bytes);
  }
  // Below the header nothing needs to make sense.
  Bytes headerOnly(sample.begin(), sample.begin() + 20);
  SerializedFile file;
  EXPECT_EQ(file.load(place(withVersionWord(headerOnly, 18))), LoadStatus::VersionUnsupported);
}

// Formats 17 to 23: the header (48 bytes from 22, with 64-bit sizes), types named by index, the
// object table with its type index and, from 22, 64-bit byte starts, and the metadata's tail read
// to exactly its end, with and without type trees.
class IndexedFormats : public SerializedFileTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(IndexedFormats, LoadHeaderMetadataTypesAndObjects) {
  const std::int32_t version = GetParam();
  for (const bool trees : {false, true}) {
    SCOPED_TRACE(trees ? "with type trees" : "without type trees");
    AssetDescription description = sampleAsset(version);
    description.hasTypeTrees = trees;
    const BuiltAsset built = buildAsset(description);
    SerializedFile file;
    if (trees && format::hasUnreadableTypeTrees(version)) {
      EXPECT_EQ(file.load(place(built.bytes)), LoadStatus::TypeTreesUnsupported);
      continue;
    }
    ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
    EXPECT_EQ(file.headerCopy().dataOffset, built.dataOffset);
    EXPECT_EQ(file.headerCopy().fileSize, built.bytes.size());
    EXPECT_EQ(file.headerCopy().metadataEnd(), built.metadataEnd);
    EXPECT_EQ(file.metadata().context.engineVersion, "2019.4.9f1");
    ASSERT_EQ(file.metadata().types.byIndex.size(), 5u);
    EXPECT_EQ(file.metadata().types.byIndex[4].scriptTypeIndex, 1);
    EXPECT_EQ(file.metadata().types.byIndex[4].scriptId[0], 0x60);
    ASSERT_EQ(file.objects().entries().size(), description.objects.size());
    for (std::size_t i = 0; i < description.objects.size(); ++i) {
      const ObjectDescription& expected = description.objects[i];
      const ObjectInfo& info = file.objects().entries().at(ObjectTable::keyOf(expected.pathId));
      EXPECT_EQ(info.byteStart, built.byteStarts[i]);
      EXPECT_EQ(info.classId, description.types[static_cast<std::size_t>(expected.typeId)].classId);
      EXPECT_EQ(file.readObjectBytes(info), expected.data);
    }
    EXPECT_EQ(file.objects().entries().at(ObjectTable::keyOf(-5)).scriptTypeIndex, 1);
    EXPECT_EQ(ObjectInfo::byteLength(version), format::hasLargeFilesSupport(version) ? 24u : 20u);
    file.close();
    EXPECT_EQ(onDisk(), built.bytes) << "only read";
  }
}

TEST_P(IndexedFormats, EveryTruncationIsRefused) {
  expectEveryTruncationRefused(buildAsset(sampleAsset(GetParam())).bytes);
}

// Saving rewrites the header's file size and the object entries where they stand, nothing else:
// the type list with its type trees and the metadata's tail stay byte for byte.
TEST_P(IndexedFormats, SavingRewritesOnlyTheFileSizeAndTheEntries) {
  const std::int32_t version = GetParam();
  AssetDescription description = sampleAsset(version);
  description.hasTypeTrees = !format::hasUnreadableTypeTrees(version);
  const BuiltAsset built = buildAsset(description);
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
  ASSERT_EQ(file.save(), SaveStatus::Saved);
  file.close();
  ASSERT_EQ(onDisk(), built.bytes) << "unchanged";

  ASSERT_EQ(file.load(path_.wstring()), LoadStatus::Loaded);
  AssetStream& stream = file.stream();
  stream.seekEnd();
  const std::int64_t start = stream.position();
  stream.writeBytes(Bytes(13, 0xE7));
  ObjectInfo& atlas = file.objects().entries().at(2);
  atlas.byteStart = static_cast<std::uint64_t>(start) - file.headerCopy().dataOffset;
  atlas.byteSize = 13;
  ASSERT_EQ(file.save(), SaveStatus::Saved);
  const std::int64_t entry = atlas.entryOffset;
  file.close();

  const Bytes saved = onDisk();
  ASSERT_EQ(saved.size(), built.bytes.size() + 13);
  const std::size_t header = format::hasLargeFilesSupport(version) ? 48 : 20;
  const std::size_t entryLength = ObjectInfo::byteLength(version);
  for (std::size_t i = header; i < built.metadataEnd; ++i) {
    const bool inEntry =
        i >= static_cast<std::size_t>(entry) && i < static_cast<std::size_t>(entry) + entryLength;
    if (!inEntry && saved[i] != built.bytes[i]) {
      ADD_FAILURE() << "metadata byte " << i << " changed";
      break;
    }
  }
  SerializedFile reloaded;
  ASSERT_EQ(reloaded.load(path_.wstring()), LoadStatus::Loaded);
  EXPECT_EQ(reloaded.headerCopy().fileSize, saved.size());
  EXPECT_EQ(reloaded.readObjectBytes(reloaded.objects().entries().at(2)), Bytes(13, 0xE7));
  EXPECT_EQ(reloaded.readObjectBytes(reloaded.objects().entries().at(3)), description.objects[2].data);
}

INSTANTIATE_TEST_SUITE_P(Formats, IndexedFormats, ::testing::Values(17, 19, 20, 21, 22, 23));

#ifndef _WIN32
// From format 22 offsets are 64-bit: an object appended past 4 GiB (into a sparse file) is pointed
// at and read back.
TEST_F(SerializedFileTest, Format22ReachesPast4GiB) {
  const BuiltAsset built = buildAsset(sampleAsset(22));
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
  constexpr std::int64_t kFar = (std::int64_t{5} << 30) + 3;
  AssetStream& stream = file.stream();
  stream.seek(kFar);
  stream.writeBytes(Bytes(7, 0x3C));
  ObjectInfo& atlas = file.objects().entries().at(2);
  atlas.byteStart = static_cast<std::uint64_t>(kFar) - file.headerCopy().dataOffset;
  atlas.byteSize = 7;
  ASSERT_EQ(file.save(), SaveStatus::Saved);
  ASSERT_TRUE(file.close());

  SerializedFile reloaded;
  ASSERT_EQ(reloaded.load(path_.wstring()), LoadStatus::Loaded);
  EXPECT_EQ(reloaded.headerCopy().fileSize, static_cast<std::uint64_t>(kFar + 7));
  EXPECT_EQ(reloaded.objects().entries().at(2).byteStart,
            static_cast<std::uint64_t>(kFar) - built.dataOffset);
  EXPECT_EQ(reloaded.readObjectBytes(reloaded.objects().entries().at(2)), Bytes(7, 0x3C));
  reloaded.close();
  std::filesystem::remove(path_);
}
#endif

// A type index outside the list, a tail that does not end where the metadata ends, and counts
// beyond the bytes are refused.
TEST_F(SerializedFileTest, InconsistentIndexedFilesAreRefused) {
  struct Case {
    const char* what;
    void (*describe)(AssetDescription&);
  };
  const Case cases[] = {
      {"type index past the list", [](AssetDescription& d) { d.objects[0].typeId = 5; }},
      {"negative type index", [](AssetDescription& d) { d.objects[0].typeId = -1; }},
      {"tail shorter than the metadata", [](AssetDescription& d) { d.metadataTail.push_back(0); }},
      {"tail longer than the metadata", [](AssetDescription& d) { d.metadataTail.pop_back(); }},
      {"script types beyond the bytes", [](AssetDescription& d) { d.metadataTail[3] = 0x10; }},
  };
  for (const std::int32_t version : {17, 22}) {
    for (const Case& c : cases) {
      AssetDescription description = sampleAsset(version);
      c.describe(description);
      const Bytes bytes = buildAsset(description).bytes;
      SerializedFile file;
      EXPECT_EQ(file.load(place(bytes)), LoadStatus::Damaged) << c.what << ", format " << version;
      file.close();
      EXPECT_EQ(onDisk(), bytes) << c.what;
    }
  }
}

TEST_F(SerializedFileTest, Format15TypeListAndObjectTableStartWhereTheyShould) {
  const BuiltAsset built = buildAsset(sampleAsset(15));
  EXPECT_EQ(built.typeListStart, 32u);  // 20-byte header, "5.2.3f1" and its zero, the platform
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
  EXPECT_EQ(ObjectInfo::byteLength(15), 28u);
  EXPECT_EQ(ObjectInfo::byteLength(14), 24u);
  EXPECT_EQ(ObjectInfo::byteLength(9), 20u);
}

TEST_F(SerializedFileTest, Format8KeepsItsMetadataAtTheEndAndIsNeverWritten) {
  const BuiltAsset built = buildAsset(sampleAsset(8));
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
  EXPECT_EQ(file.headerCopy().byteLength(), 16u);
  EXPECT_EQ(file.headerCopy().metadataStart(), built.bytes.size() - file.headerCopy().metadataSize + 1);
  EXPECT_EQ(file.save(), SaveStatus::NotWritable);
  file.close();
  EXPECT_EQ(onDisk(), built.bytes);
}

TEST_F(SerializedFileTest, SaveWritesTheTableInPathIdOrderInTheSameBytes) {
  AssetDescription description = sampleAsset(15);
  std::swap(description.objects[0], description.objects[4]);  // -5 first, as unsorted files have it
  std::swap(description.types[0], description.types[2]);
  const BuiltAsset built = buildAsset(description);
  {
    SerializedFile file;
    ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
    ASSERT_EQ(file.save(), SaveStatus::Saved);
  }
  const Bytes saved = onDisk();
  ASSERT_EQ(saved.size(), built.bytes.size());
  EXPECT_TRUE(std::equal(saved.begin() + built.metadataEnd - description.externals.size(), saved.end(),
                         built.bytes.begin() + built.metadataEnd - description.externals.size()));

  SerializedFile reloaded;
  ASSERT_EQ(reloaded.load(path_.wstring()), LoadStatus::Loaded);
  std::vector<std::int64_t> order;
  for (const auto& [key, info] : reloaded.objects().entries()) order.push_back(info.pathId);
  EXPECT_EQ(order, (std::vector<std::int64_t>{1, 2, 3, (std::int64_t{1} << 32) + 2, -5}));
  EXPECT_EQ(reloaded.metadata().types.entries.begin()->first, -1);
}

TEST_F(SerializedFileTest, AppendedObjectsArePointedAtAndTheOldDataStays) {
  const BuiltAsset built = buildAsset(sampleAsset(15));
  const std::uint32_t oldLength = static_cast<std::uint32_t>(built.bytes.size());
  SerializedFile file;
  ASSERT_EQ(file.load(place(built.bytes)), LoadStatus::Loaded);
  const std::uint32_t dataOffset = file.headerCopy().dataOffset;

  for (std::uint64_t key : {2ull, 3ull}) {
    ObjectInfo& info = file.objects().entries().at(key);
    file.stream().seekEnd();
    info.byteStart = static_cast<std::uint32_t>(file.stream().position()) - dataOffset;
    const Bytes replacement(key == 2 ? 100 : 7, static_cast<std::uint8_t>(key));
    file.stream().writeBytes(replacement);
    info.byteSize = static_cast<std::uint32_t>(replacement.size());
  }
  ASSERT_EQ(file.save(), SaveStatus::Saved);
  ASSERT_TRUE(file.close());

  SerializedFile reloaded;
  ASSERT_EQ(reloaded.load(path_.wstring()), LoadStatus::Loaded);
  EXPECT_EQ(reloaded.headerCopy().fileSize, oldLength + 107);
  const ObjectInfo& first = reloaded.objects().entries().at(2);
  const ObjectInfo& second = reloaded.objects().entries().at(3);
  EXPECT_EQ(first.byteStart, oldLength - dataOffset);
  EXPECT_EQ(second.byteStart, first.byteStart + 100);
  EXPECT_EQ(reloaded.readObjectBytes(second), Bytes(7, 3));
  const Bytes saved = readFile(path_);
  EXPECT_TRUE(std::equal(built.bytes.begin() + built.metadataEnd, built.bytes.end(),
                         saved.begin() + built.metadataEnd));
}

std::size_t firstEntryOffset(const BuiltAsset& built) {
  return (built.objectTableStart + 4 + 3) / 4 * 4;
}

TEST_F(SerializedFileTest, InconsistentFilesAreRefused) {
  struct Case {
    const char* what;
    void (*describe)(AssetDescription&);
    void (*corrupt)(Bytes&, const BuiltAsset&);
  };
  const auto asBuilt = [](AssetDescription&) {};
  const auto intact = [](Bytes&, const BuiltAsset&) {};
  const Case cases[] = {
      {"object data past the end", asBuilt,
       [](Bytes& bytes, const BuiltAsset& built) { bytes[firstEntryOffset(built) + 15] = 0x7F; }},
      {"object count beyond the bytes", asBuilt,
       [](Bytes& bytes, const BuiltAsset& built) { bytes[built.objectTableStart + 3] = 0x10; }},
      {"metadata size beyond the file", asBuilt, [](Bytes& bytes, const BuiltAsset&) { bytes[0] = 0x7F; }},
      {"file size beyond the file", asBuilt, [](Bytes& bytes, const BuiltAsset&) { bytes[4] = 0x01; }},
      {"type count beyond the bytes", asBuilt,
       [](Bytes& bytes, const BuiltAsset& built) { bytes[built.typeListStart + 4] = 0x7F; }},
      {"engine version without an end", [](AssetDescription& d) { d.engineVersion = std::string(300, '5'); },
       intact},
      {"repeated path ID", [](AssetDescription& d) { d.objects[1].pathId = d.objects[0].pathId; }, intact},
      // The rewritten object table would change such an object's bytes.
      {"object data inside the metadata", asBuilt,
       [](Bytes& bytes, const BuiltAsset&) { bytes[14] = 0, bytes[15] = 20; }},
      {"repeated class ID in a hashed type list", [](AssetDescription& d) { d.types[2].classId = 1; },
       intact},
  };
  for (const Case& c : cases) {
    AssetDescription description = sampleAsset(15);
    c.describe(description);
    const BuiltAsset built = buildAsset(description);
    Bytes bytes = built.bytes;
    c.corrupt(bytes, built);
    SerializedFile file;
    EXPECT_EQ(file.load(place(bytes)), LoadStatus::Damaged) << c.what;
    file.close();
    EXPECT_EQ(onDisk(), bytes) << c.what;
  }
}

TEST_F(SerializedFileTest, RepeatedPathIdsKeepTheFirstEntry) {
  AssetDescription description = sampleAsset(15);
  description.objects[1].pathId = 1;
  SerializedFile file;
  EXPECT_EQ(file.load(place(buildAsset(description).bytes)), LoadStatus::Damaged);
  EXPECT_EQ(file.objects().entries().at(1).byteSize, 83u);
}

// Where a file carries type trees, each type's tree is read as the layout of its objects, the
// recursive trees of the old formats and the blobs from 14 alike; a file is saved with its type
// list as it stood. Format 23 stores its trees in a way not read here.
TEST_F(SerializedFileTest, TypeTreesAreReadAsTheLayoutsOfTheirTypes) {
  for (const std::int32_t version : {9, 14, 15, 17, 19, 21, 22}) {
    SCOPED_TRACE(version);
    AssetDescription description = sampleAsset(version);
    description.engineVersion = version < 14 ? "4.7.2p3" : version < 17 ? "5.2.3f1" : "2020.3.0f1";
    description.hasTypeTrees = true;
    description.types.push_back({49, {}, {}, {}, {}});  // its tree as the release's engine writes it
    const std::wstring path = place(buildAsset(description).bytes);
    SerializedFile file;
    ASSERT_EQ(file.load(path), LoadStatus::Loaded);
    const TypeEntry* textAsset = format::hasTypeIndex(version) ? &file.metadata().types.byIndex.back()
                                                               : file.typeOf(file.objects().entries().at(3));
    ASSERT_TRUE(textAsset != nullptr && textAsset->tree);
    const layouts::Layout expected = *layouts::layoutFor(49, description.engineVersion);
    ASSERT_EQ(textAsset->tree->nodes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const layouts::LayoutNode& node = textAsset->tree->nodes[i];
      EXPECT_EQ(std::string(node.name), expected[i].name) << i;
      EXPECT_EQ(std::string(node.type), expected[i].type) << i;
      EXPECT_EQ(
          std::tuple(node.level, node.byteSize, node.isArray, node.alignAfter),
          std::tuple(expected[i].level, expected[i].byteSize, expected[i].isArray, expected[i].alignAfter))
          << i;
    }
    const Bytes before = readFile(path);
    EXPECT_EQ(file.save(), SaveStatus::Saved);
    file.close();
    EXPECT_EQ(readFile(path), before);
  }
  AssetDescription description = sampleAsset(23);
  description.hasTypeTrees = true;
  SerializedFile file;
  EXPECT_EQ(file.load(place(buildAsset(description).bytes)), LoadStatus::TypeTreesUnsupported);
}

TEST_F(SerializedFileTest, MissingFilesCannotBeOpened) {
  SerializedFile file;
  EXPECT_EQ(file.load((dir_ / "missing.assets").wstring()), LoadStatus::CannotOpen);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing.assets"));
}

TEST_F(SerializedFileTest, FilesBeyondThe32BitOffsetsAreRefused) {
  place(buildAsset(sampleAsset(15)).bytes);
  std::filesystem::resize_file(path_, (std::uintmax_t{1} << 31) + 16);  // sparse
  SerializedFile file;
  EXPECT_EQ(file.load(path_.wstring()), LoadStatus::TooLarge);
  file.close();
  std::filesystem::remove(path_);
}

TEST_F(SerializedFileTest, TheOffsetsReachUpTo2GiBLessOneByte) {
  constexpr std::int64_t kLargest = 2147483647;
  EXPECT_TRUE(SerializedFile::offsetsReach(kLargest, 15));
  EXPECT_FALSE(SerializedFile::offsetsReach(kLargest + 1, 15));
  EXPECT_TRUE(SerializedFile::offsetsReach(std::int64_t{5} << 32, 22)) << "64-bit offsets from format 22";
  place(buildAsset(sampleAsset(15)).bytes);
  std::filesystem::resize_file(path_, kLargest);  // sparse
  SerializedFile file;
  EXPECT_EQ(file.load(path_.wstring()), LoadStatus::Loaded);
  file.close();
  std::filesystem::remove(path_);
}

// What appending cut off, and only that: the bytes of the file as loaded stay.
TEST_F(SerializedFileTest, CuttingOffTheAppendedBytesLeavesTheFileAsLoaded) {
  const Bytes original = buildAsset(sampleAsset(15)).bytes;
  SerializedFile file;
  ASSERT_EQ(file.load(place(original)), LoadStatus::Loaded);
  file.stream().seekEnd();
  file.stream().writeBytes(Bytes(5000, 0xAA));
  ASSERT_TRUE(file.stream().flush());
  file.stream().writeBytes(Bytes(10, 0xBB));
  EXPECT_TRUE(file.cutAppended());
  EXPECT_TRUE(file.close());
  EXPECT_EQ(onDisk(), original);
}

TEST_F(SerializedFileTest, ObjectNamesMustFitTheirObject) {
  AssetDescription description = sampleAsset(15);
  description.objects[0].data = {200, 0, 0, 0, 'a', 'b'};  // length runs past the object
  description.objects[1].data = {2, 0, 0};                 // too short for a length
  SerializedFile file;
  ASSERT_EQ(file.load(place(buildAsset(description).bytes)), LoadStatus::Loaded);
  EXPECT_FALSE(file.readObjectName(file.objects().entries().at(1), 100).has_value());
  EXPECT_FALSE(file.readObjectName(file.objects().entries().at(2), 100).has_value());
  EXPECT_FALSE(file.stream().failed());
  EXPECT_EQ(file.readObjectName(file.objects().entries().at(3), 100), "Localization");
}

TEST_F(SerializedFileTest, NamesAreReadNoFurtherThanAsked) {
  SerializedFile file;
  ASSERT_EQ(file.load(place(buildAsset(sampleAsset(15)).bytes)), LoadStatus::Loaded);
  const ObjectInfo& localization = file.objects().entries().at(3);
  EXPECT_EQ(file.readObjectName(localization, 12), "Localization");
  EXPECT_EQ(file.readObjectName(localization, 5), "Local");
  EXPECT_EQ(file.readObjectName(localization, 0), "");
  EXPECT_FALSE(file.stream().failed());
}

}  // namespace
