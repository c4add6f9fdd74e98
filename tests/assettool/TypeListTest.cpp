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

namespace {

// One node of a blob tree as the formats from 14 store it: 24 bytes, 32 from 19.
void appendBlobNode(Bytes& nodes, int level, bool isArray, std::uint32_t type, std::uint32_t name,
                    std::int32_t byteSize, std::int32_t metaFlags, std::int32_t formatVersion) {
  nodes.insert(nodes.end(),
               {1, 0, static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(isArray ? 1 : 0)});
  appendInt32(nodes, static_cast<std::int32_t>(type));
  appendInt32(nodes, static_cast<std::int32_t>(name));
  appendInt32(nodes, byteSize);
  appendInt32(nodes, 0);
  appendInt32(nodes, metaFlags);
  if (formatVersion >= 19) appendInt64(nodes, 0);
}

constexpr std::uint32_t common(std::uint32_t offset) {
  return 0x80000000u | offset;
}

// A TextAsset's name as a blob: its root named in the file's own strings, the rest in the
// engine's common ones ("Base" 55, "string" 840, "m_Name" 427, "Array" 49, "int" 222, "size"
// 795, "char" 81, "data" 106).
Bytes nameBlob(std::int32_t formatVersion, int arrayLevel = 2, std::uint32_t rootType = 0) {
  Bytes nodes;
  appendBlobNode(nodes, 0, false, rootType, common(55), -1, 0, formatVersion);
  appendBlobNode(nodes, 1, false, common(840), common(427), -1, 0, formatVersion);
  appendBlobNode(nodes, arrayLevel, true, common(49), common(49), -1, 0x4000, formatVersion);
  appendBlobNode(nodes, 3, false, common(222), common(795), 4, 0, formatVersion);
  appendBlobNode(nodes, 3, false, common(81), common(106), 1, 0, formatVersion);
  const std::string strings("TextAsset\0", 10);
  Bytes blob;
  appendInt32(blob, 5);
  appendInt32(blob, static_cast<std::int32_t>(strings.size()));
  blob.insert(blob.end(), nodes.begin(), nodes.end());
  blob.insert(blob.end(), strings.begin(), strings.end());
  return blob;
}

std::optional<type_tree::SharedLayout> readBlob(const Bytes& blob, std::int32_t formatVersion) {
  AssetStream stream(blob);
  return type_tree::readBlob(stream, formatVersion);
}

}  // namespace

TEST(TypeTrees, BlobNamesComeFromTheFileOrTheEnginesCommonStrings) {
  for (const std::int32_t version : {15, 19}) {
    const std::optional<type_tree::SharedLayout> tree = readBlob(nameBlob(version), version);
    ASSERT_TRUE(tree && *tree) << version;
    const std::vector<layouts::LayoutNode>& nodes = (*tree)->nodes;
    ASSERT_EQ(nodes.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> names = {
        {"TextAsset", "Base"}, {"string", "m_Name"}, {"Array", "Array"}, {"int", "size"}, {"char", "data"}};
    for (std::size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(std::pair(std::string(nodes[i].type), std::string(nodes[i].name)), names[i]) << i;
    EXPECT_TRUE(nodes[2].isArray && nodes[2].alignAfter);
    EXPECT_EQ(nodes[3].byteSize, 4);
  }
}

// A tree read whole that is not one tree, or names a string outside the file's, describes nothing:
// its objects have no layout. A name past the common strings this reader lists is read as empty.
TEST(TypeTrees, BlobsThatAreNoTreeDescribeNothing) {
  const std::optional<type_tree::SharedLayout> jumping = readBlob(nameBlob(15, 3), 15);
  ASSERT_TRUE(jumping);
  EXPECT_FALSE(*jumping) << "a level skipped";
  const std::optional<type_tree::SharedLayout> outside = readBlob(nameBlob(15, 2, 10), 15);
  ASSERT_TRUE(outside);
  EXPECT_FALSE(*outside) << "a name past the file's strings";
  const std::optional<type_tree::SharedLayout> newer = readBlob(nameBlob(15, 2, common(5000)), 15);
  ASSERT_TRUE(newer && *newer);
  EXPECT_EQ(std::string((*newer)->nodes[0].type), "");

  Bytes cut = nameBlob(15);
  cut.pop_back();
  EXPECT_FALSE(readBlob(cut, 15)) << "the strings cut short";
  Bytes huge = nameBlob(15);
  huge[3] = 0x7F;
  EXPECT_FALSE(readBlob(huge, 15)) << "more nodes than bytes";
}

// The recursive trees give each node the level of its depth.
TEST_F(TypeListTest, RecursiveTreesGiveEachNodeItsDepth) {
  AssetDescription d = withTypes(9, {49});
  TreeNode leaf;
  leaf.fieldName = "leaf";
  leaf.byteSize = 4;
  TreeNode middle;
  middle.fieldName = "middle";
  middle.children = {leaf};
  d.types[0].tree.children = {middle, leaf};
  ASSERT_TRUE(readTypes(d));
  const type_tree::SharedLayout& tree = types_.entries.at(49).tree;
  ASSERT_TRUE(tree);
  std::vector<std::pair<int, std::string>> levels;
  for (const layouts::LayoutNode& node : tree->nodes) levels.emplace_back(node.level, node.name);
  EXPECT_EQ(levels,
            (std::vector<std::pair<int, std::string>>{{0, "Base"}, {1, "middle"}, {2, "leaf"}, {1, "leaf"}}));
}

// The walker follows a tree's depth: a tree nested deeper than any engine class is read past, and
// describes nothing.
TEST_F(TypeListTest, TreesDeeperThanAnyClassDescribeNothing) {
  for (const int depth : {layouts::OwnedLayout::kDeepestLevel, layouts::OwnedLayout::kDeepestLevel + 1}) {
    AssetDescription d = withTypes(9, {49});
    TreeNode* node = &d.types[0].tree;
    for (int level = 1; level <= depth; ++level) {
      node->children.emplace_back();
      node = &node->children.back();
    }
    node->byteSize = 4;
    ASSERT_TRUE(readTypes(d)) << depth;
    EXPECT_EQ(consumed(), listLength()) << depth;
    EXPECT_EQ(static_cast<bool>(types_.entries.at(49).tree), depth == layouts::OwnedLayout::kDeepestLevel)
        << depth;
  }
}
