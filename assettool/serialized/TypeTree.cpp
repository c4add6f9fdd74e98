#include "serialized/TypeTree.h"

#include <string_view>
#include <vector>

#include "serialized/FormatVersion.h"

namespace type_tree {
namespace {

constexpr std::size_t kTreeNameLimit = 256;
constexpr std::int32_t kAlignAfter = 0x4000;
constexpr std::uint32_t kArrayFlag = 1;
// A recursive node holds a type name, a field name and six 32-bit fields, the last its child count.
constexpr std::uint64_t kSmallestRecursiveNode = 2 + 6 * 4;
constexpr std::uint64_t kBlobNodeLength = 24;
constexpr std::uint64_t kBlobNodeWithHashLength = 32;
constexpr std::uint32_t kCommonStringFlag = 0x80000000;

// Names a blob points at with the top bit of the offset set: a buffer the engine keeps, not the
// file. Releases only ever add to its end, so an offset past what is listed here names nothing
// this reader needs; it is read as an empty name.
constexpr char kCommonStringBuffer[] =
    "AABB\0AnimationClip\0AnimationCurve\0AnimationState\0Array\0Base\0BitField\0bitset\0bool\0char\0"
    "ColorRGBA\0Component\0data\0deque\0double\0dynamic_array\0FastPropertyName\0first\0float\0Font\0"
    "GameObject\0Generic Mono\0GradientNEW\0GUID\0GUIStyle\0int\0list\0long long\0map\0Matrix4x4f\0"
    "MdFour\0MonoBehaviour\0MonoScript\0m_ByteSize\0m_Curve\0m_EditorClassIdentifier\0"
    "m_EditorHideFlags\0m_Enabled\0m_ExtensionPtr\0m_GameObject\0m_Index\0m_IsArray\0m_IsStatic\0"
    "m_MetaFlag\0m_Name\0m_ObjectHideFlags\0m_PrefabInternal\0m_PrefabParentObject\0m_Script\0"
    "m_StaticEditorFlags\0m_Type\0m_Version\0Object\0pair\0PPtr<Component>\0PPtr<GameObject>\0"
    "PPtr<Material>\0PPtr<MonoBehaviour>\0PPtr<MonoScript>\0PPtr<Object>\0PPtr<Prefab>\0PPtr<Sprite>\0"
    "PPtr<TextAsset>\0PPtr<Texture>\0PPtr<Texture2D>\0PPtr<Transform>\0Prefab\0Quaternionf\0Rectf\0"
    "RectInt\0RectOffset\0second\0set\0short\0size\0SInt16\0SInt32\0SInt64\0SInt8\0staticvector\0string\0"
    "TextAsset\0TextMesh\0Texture\0Texture2D\0Transform\0TypelessData\0UInt16\0UInt32\0UInt64\0UInt8\0"
    "unsigned int\0unsigned long long\0unsigned short\0vector\0Vector2f\0Vector3f\0Vector4f\0"
    "m_ScriptingClassIdentifier\0Gradient\0";
constexpr std::string_view kCommonStrings(kCommonStringBuffer, sizeof kCommonStringBuffer - 1);

// The zero-terminated name at an offset of a buffer; nothing when no zero ends it there.
std::optional<std::string_view> nameAt(std::string_view buffer, std::uint32_t offset) {
  if (offset >= buffer.size()) return std::nullopt;
  const std::size_t end = buffer.find('\0', offset);
  if (end == std::string_view::npos) return std::nullopt;
  return buffer.substr(offset, end - offset);
}

std::optional<std::string_view> blobName(std::string_view local, std::uint32_t offset) {
  if ((offset & kCommonStringFlag) == 0) return nameAt(local, offset);
  return nameAt(kCommonStrings, offset & ~kCommonStringFlag).value_or(std::string_view());
}

class LayoutBuilder {
 public:
  void add(int level, std::string type, std::string name, std::int32_t byteSize, bool isArray,
           std::int32_t metaFlags) {
    if (!layout_) return;
    if (level > layouts::OwnedLayout::kDeepestLevel) {
      layout_.reset();  // no engine's tree: the rest is stepped over, not kept
      return;
    }
    layout_->names.push_back(std::move(type));
    const char* typeName = layout_->names.back().c_str();
    layout_->names.push_back(std::move(name));
    layout_->nodes.push_back(
        {level, typeName, layout_->names.back().c_str(), byteSize, isArray, (metaFlags & kAlignAfter) != 0});
  }
  SharedLayout finish() {
    if (!layout_ || !layout_->isTree()) return nullptr;
    return std::move(layout_);
  }

 private:
  std::shared_ptr<layouts::OwnedLayout> layout_ = std::make_shared<layouts::OwnedLayout>();
};

}  // namespace

// Nodes are stored depth first: a node's level is the number of its ancestors whose children are
// still being read. No recursion, whatever the depth, and the count of nodes still announced is
// held to what the bytes can contain.
std::optional<SharedLayout> readRecursive(AssetStream& stream) {
  LayoutBuilder builder;
  std::vector<std::int32_t> childrenLeft;  // per open ancestor
  std::uint64_t pending = 1;
  while (pending > 0) {
    std::string type = stream.readCString(kTreeNameLimit);
    std::string name = stream.readCString(kTreeNameLimit);
    const std::int32_t byteSize = stream.readInt32();
    stream.readInt32();  // index
    const bool isArray = stream.readInt32() == 1;
    stream.readInt32();  // version
    const std::int32_t metaFlags = stream.readInt32();
    const std::int32_t children = stream.readInt32();
    if (stream.failed() || children < 0) return std::nullopt;
    pending = pending - 1 + static_cast<std::uint64_t>(children);
    if (!stream.canRead(pending, kSmallestRecursiveNode)) return std::nullopt;
    builder.add(static_cast<int>(childrenLeft.size()), std::move(type), std::move(name), byteSize, isArray,
                metaFlags);
    childrenLeft.push_back(children);
    while (!childrenLeft.empty() && childrenLeft.back() == 0) childrenLeft.pop_back();
    if (!childrenLeft.empty()) --childrenLeft.back();
  }
  return builder.finish();
}

std::optional<SharedLayout> readBlob(AssetStream& stream, std::int32_t formatVersion) {
  const std::int32_t nodeCount = stream.readInt32();
  const std::int32_t stringLength = stream.readInt32();
  const std::uint64_t nodeLength =
      format::hasRefTypeHashInNodes(formatVersion) ? kBlobNodeWithHashLength : kBlobNodeLength;
  if (stream.failed() || nodeCount < 0 || stringLength < 0 ||
      !stream.canRead(
          static_cast<std::uint64_t>(nodeCount) * nodeLength + static_cast<std::uint64_t>(stringLength), 1)) {
    return std::nullopt;
  }
  struct BlobNode {
    int level;
    bool isArray;
    std::uint32_t typeOffset, nameOffset;
    std::int32_t byteSize, metaFlags;
  };
  std::vector<BlobNode> nodes(static_cast<std::size_t>(nodeCount));
  for (BlobNode& node : nodes) {
    stream.readUInt16();  // version
    node.level = stream.readByte();
    node.isArray = (stream.readByte() & kArrayFlag) != 0;
    node.typeOffset = static_cast<std::uint32_t>(stream.readInt32());
    node.nameOffset = static_cast<std::uint32_t>(stream.readInt32());
    node.byteSize = stream.readInt32();
    stream.readInt32();  // index
    node.metaFlags = stream.readInt32();
    if (nodeLength == kBlobNodeWithHashLength) stream.readInt64();  // the referenced type's hash
  }
  const std::vector<std::uint8_t> strings = stream.readBytes(static_cast<std::uint64_t>(stringLength));
  if (stream.failed()) return std::nullopt;

  const std::string_view local(reinterpret_cast<const char*>(strings.data()), strings.size());
  LayoutBuilder builder;
  for (const BlobNode& node : nodes) {
    const std::optional<std::string_view> type = blobName(local, node.typeOffset);
    const std::optional<std::string_view> name = blobName(local, node.nameOffset);
    if (!type || !name) return SharedLayout();
    builder.add(node.level, std::string(*type), std::string(*name), node.byteSize, node.isArray,
                node.metaFlags);
  }
  return builder.finish();
}

}  // namespace type_tree
