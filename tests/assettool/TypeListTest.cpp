#include "serialized/TypeList.h"

#include <gtest/gtest.h>

#include "serialized/FormatVersion.h"
#include "support/Files.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

// Reads the type list of a built file through a stream over the file, as the loader does.
class TypeListTest : public ::testing::Test {
 protected:
  bool readTypes(const AssetDescription& description) {
    built_ = buildAsset(description);
    writeFile(dir_ / "types.assets", built_.bytes);
    stream_.open((dir_ / "types.assets").wstring(), format::hasBigEndianMetadata(description.formatVersion));
    stream_.seek(static_cast<std::int64_t>(built_.typeListStart));
    context_.formatVersion = description.formatVersion;
    return types_.read(stream_, context_);
  }
  std::size_t consumed() const { return static_cast<std::size_t>(stream_.position()) - built_.typeListStart; }
  std::size_t listLength() const { return built_.objectTableStart - built_.typeListStart; }

  TempDirectory dir_;
  BuiltAsset built_;
  AssetStream stream_;
  ReadContext context_;
  TypeList types_;
};

AssetDescription withTypes(int version, std::vector<std::int32_t> classIds) {
  AssetDescription d;
  d.formatVersion = version;
  for (std::int32_t id : classIds) {
    TypeDescription type;
    type.classId = id;
    type.scriptId.fill(static_cast<std::uint8_t>(0x80 + id));
    type.typeHash.fill(static_cast<std::uint8_t>(id));
    type.tree = treeWithLeaves(2);
    d.types.push_back(type);
  }
  return d;
}

TEST_F(TypeListTest, HashedListIsReadAndWrittenBackInTheSameBytes) {
  ASSERT_TRUE(readTypes(withTypes(15, {-2, -1, 1})));
  EXPECT_EQ(consumed(), 97u);  // 1 + 4 + (4 + 16 + 16) * 2 + (4 + 16)
  EXPECT_FALSE(types_.hasTypeTrees);
  EXPECT_EQ(types_.entries.at(-2).scriptId[0], 0x7E);
  EXPECT_EQ(types_.entries.at(1).scriptId, AssetStream::Hash128{});

  stream_.seek(static_cast<std::int64_t>(built_.typeListStart));
  types_.write(stream_, context_);
  EXPECT_EQ(consumed(), 97u);
  ASSERT_TRUE(stream_.close());
  EXPECT_EQ(readFile(dir_ / "types.assets"), built_.bytes);
}

TEST_F(TypeListTest, HashedListIsWrittenInClassIdOrder) {
  ASSERT_TRUE(readTypes(withTypes(15, {1, -1})));
  stream_.seek(static_cast<std::int64_t>(built_.typeListStart));
  types_.write(stream_, context_);
  EXPECT_EQ(consumed(), listLength());
  ASSERT_TRUE(stream_.close());

  const Bytes expected = buildAsset(withTypes(15, {-1, 1})).bytes;
  const Bytes written = readFile(dir_ / "types.assets");
  EXPECT_TRUE(std::equal(written.begin() + built_.typeListStart, written.begin() + built_.objectTableStart,
                         expected.begin() + built_.typeListStart));
}

TEST_F(TypeListTest, TreeListIsSkippedWithItsTrailingWordFromVersion7) {
  for (int version : {6, 7, 9, 13}) {
    ASSERT_TRUE(readTypes(withTypes(version, {1})));
    EXPECT_EQ(consumed(), listLength()) << version;
    EXPECT_TRUE(types_.hasTypeTrees);
    stream_.close();
  }
  // count, class ID, three nodes of two names and six words, trailing word
  EXPECT_EQ(listLength(), 4u + 4u + (5 + 5 + 24) + 2 * (4 + 9 + 24) + 4u);
}

TEST_F(TypeListTest, EmptyTreeListHasNoTypeTreesButKeepsItsTrailingWord) {
  ASSERT_TRUE(readTypes(withTypes(9, {})));
  EXPECT_FALSE(types_.hasTypeTrees);
  EXPECT_EQ(consumed(), 8u);
}

TEST_F(TypeListTest, SteppingOverATreeListWritesNothing) {
  ASSERT_TRUE(readTypes(withTypes(9, {4, 1})));
  stream_.seek(static_cast<std::int64_t>(built_.typeListStart));
  types_.write(stream_, context_);
  EXPECT_EQ(consumed(), listLength());
  ASSERT_TRUE(stream_.close());
  EXPECT_EQ(readFile(dir_ / "types.assets"), built_.bytes);
}

Bytes treeNode(std::int32_t children) {
  Bytes node = {'a', 0, 'b', 0};
  for (int i = 0; i < 5; ++i) appendInt32(node, 0);
  appendInt32(node, children);
  return node;
}

TEST_F(TypeListTest, DeepTreesNeedNoRecursion) {
  AssetDescription d = withTypes(9, {1});
  constexpr int kDepth = 1'000'000;
  const Bytes parent = treeNode(1);
  for (int i = 0; i < kDepth; ++i)
    d.types[0].rawTree.insert(d.types[0].rawTree.end(), parent.begin(), parent.end());
  const Bytes leaf = treeNode(0);
  d.types[0].rawTree.insert(d.types[0].rawTree.end(), leaf.begin(), leaf.end());
  ASSERT_TRUE(readTypes(d));
  EXPECT_EQ(consumed(), listLength());
}

TEST_F(TypeListTest, ImpossibleTreeCountsAreRefusedAtOnce) {
  for (std::int32_t children : {0x7FFFFFFF, 1000, -1}) {
    AssetDescription d = withTypes(9, {1});
    d.types[0].rawTree = treeNode(children);
    EXPECT_FALSE(readTypes(d)) << children;
    stream_.close();
  }
}

}  // namespace
