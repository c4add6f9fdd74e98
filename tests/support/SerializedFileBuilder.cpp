#include "support/SerializedFileBuilder.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "layouts/ObjectLayouts.h"

namespace testsupport {
namespace {

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::uint32_t sizeOf(const ObjectDescription& object) {
  return object.data.empty() ? object.unbuiltSize : static_cast<std::uint32_t>(object.data.size());
}

class ByteWriter {
 public:
  explicit ByteWriter(Bytes& out, std::size_t base = 0) : out_(out), base_(base) {}

  bool bigEndian = false;

  void byte(std::uint8_t value) { out_.push_back(value); }
  void int16(std::uint16_t value) { integer(value, 2); }
  void int32(std::uint32_t value) { integer(value, 4); }
  void int64(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) byte(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void bytes(const Bytes& run) { out_.insert(out_.end(), run.begin(), run.end()); }
  void hash(const Hash& value) { out_.insert(out_.end(), value.begin(), value.end()); }
  void cstring(const std::string& text) {
    out_.insert(out_.end(), text.begin(), text.end());
    byte(0);
  }
  // Zero bytes up to a multiple of alignment of the offset in the whole file.
  void alignTo(std::size_t alignment) {
    while ((base_ + out_.size()) % alignment != 0) byte(0);
  }
  std::size_t offset() const { return base_ + out_.size(); }

 private:
  void integer(std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
      const int shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
      byte(static_cast<std::uint8_t>(value >> shift));
    }
  }

  Bytes& out_;
  std::size_t base_;
};

// Depth first, with an explicit stack so that deep test trees cannot exhaust the builder's stack.
void writeTree(ByteWriter& w, const TreeNode& root) {
  std::vector<const TreeNode*> stack{&root};
  while (!stack.empty()) {
    const TreeNode* node = stack.back();
    stack.pop_back();
    w.cstring(node->typeName);
    w.cstring(node->fieldName);
    w.int32(node->byteSize);
    w.int32(node->index);
    w.int32(node->isArray);
    w.int32(node->version);
    w.int32(node->metaFlags);
    w.int32(static_cast<std::uint32_t>(node->children.size()));
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
      stack.push_back(&*child);
  }
}

// A type tree as the formats from 12 store it: the nodes, 24 bytes each (32 from 19, with a hash
// of the referenced type), then the strings they name by offset.
void writeBlobTree(ByteWriter& w, const TreeNode& root, std::int32_t formatVersion) {
  Bytes strings;
  Bytes nodes;
  ByteWriter n(nodes);
  std::int32_t count = 0;
  const auto offsetOf = [&strings](const std::string& text) {
    const auto offset = static_cast<std::uint32_t>(strings.size());
    strings.insert(strings.end(), text.begin(), text.end());
    strings.push_back(0);
    return offset;
  };
  std::vector<std::pair<const TreeNode*, int>> stack{{&root, 0}};
  while (!stack.empty()) {
    const auto [node, level] = stack.back();
    stack.pop_back();
    ++count;
    n.int16(static_cast<std::uint16_t>(node->version));
    n.byte(static_cast<std::uint8_t>(level));
    n.byte(static_cast<std::uint8_t>(node->isArray));
    n.int32(offsetOf(node->typeName));
    n.int32(offsetOf(node->fieldName));
    n.int32(static_cast<std::uint32_t>(node->byteSize));
    n.int32(static_cast<std::uint32_t>(node->index));
    n.int32(static_cast<std::uint32_t>(node->metaFlags));
    if (formatVersion >= 19) n.int64(0);
    for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
      stack.push_back({&*child, level + 1});
  }
  w.int32(static_cast<std::uint32_t>(count));
  w.int32(static_cast<std::uint32_t>(strings.size()));
  w.bytes(nodes);
  w.bytes(strings);
}

// The engine's tree of a handled class, as the table holds it for the release.
TreeNode tableTree(layouts::Layout layout) {
  TreeNode root;
  std::vector<TreeNode*> open;  // the last node of each level
  for (const layouts::LayoutNode& node : layout) {
    TreeNode made{
        node.type, node.name, node.byteSize, 0, node.isArray ? 1 : 0, 1, node.alignAfter ? 0x4000 : 0, {}};
    if (node.level == 0) {
      root = std::move(made);
      open = {&root};
      continue;
    }
    open.resize(static_cast<std::size_t>(node.level));
    open.back()->children.push_back(std::move(made));
    open.push_back(&open.back()->children.back());
  }
  return root;
}

// The tree given, or for a type described without one, the tree the release's engine writes for
// its class where the table has it.
TreeNode treeOf(const TypeDescription& type, const AssetDescription& d) {
  const bool given = !type.tree.children.empty() || type.tree.typeName != TreeNode{}.typeName;
  if (given) return type.tree;
  const std::optional<layouts::Layout> layout = layouts::layoutFor(type.classId, d.engineVersion);
  return layout ? tableTree(*layout) : type.tree;
}

// The type's tree as a blob, or the raw bytes that stand in for it.
void writeTypeBlob(ByteWriter& w, const TypeDescription& type, const AssetDescription& d) {
  if (type.rawTree.empty()) {
    writeBlobTree(w, treeOf(type, d), d.formatVersion);
  } else {
    w.bytes(type.rawTree);
  }
}

// From format 16 (17 here): stripped flag, script type index, the script hash of MonoBehaviour.
void writeIndexedTypeList(ByteWriter& w, const AssetDescription& d) {
  w.byte(d.hasTypeTrees ? 1 : 0);
  w.int32(static_cast<std::uint32_t>(d.types.size()));
  for (const TypeDescription& type : d.types) {
    w.int32(type.classId);
    w.byte(0);
    w.int16(static_cast<std::uint16_t>(type.scriptTypeIndex));
    if (type.classId == 114) w.hash(type.scriptId);
    w.hash(type.typeHash);
    if (!d.hasTypeTrees) continue;
    writeTypeBlob(w, type, d);
    if (d.formatVersion >= 21) w.int32(0);  // no dependencies
  }
}

void writeTypeList(ByteWriter& w, const AssetDescription& d) {
  if (d.formatVersion >= 16) {
    writeIndexedTypeList(w, d);
    return;
  }
  if (d.formatVersion >= 14) {
    w.byte(d.hasTypeTrees ? 1 : 0);
    w.int32(static_cast<std::uint32_t>(d.types.size()));
    for (const TypeDescription& type : d.types) {
      w.int32(type.classId);
      if (type.classId < 0) w.hash(type.scriptId);
      w.hash(type.typeHash);
      if (!d.hasTypeTrees) continue;
      writeTypeBlob(w, type, d);
    }
    return;
  }
  w.int32(static_cast<std::uint32_t>(d.types.size()));
  for (const TypeDescription& type : d.types) {
    w.int32(type.classId);
    if (type.rawTree.empty()) {
      writeTree(w, treeOf(type, d));
    } else {
      w.bytes(type.rawTree);
    }
  }
  if (d.formatVersion >= 7) w.int32(0);
}

void writeObjectTable(ByteWriter& w, const AssetDescription& d, const std::vector<std::uint32_t>& starts) {
  w.int32(static_cast<std::uint32_t>(d.objects.size()));
  if (d.formatVersion >= 16) {
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
      w.alignTo(4);
      w.int64(static_cast<std::uint64_t>(d.objects[i].pathId));
      if (d.formatVersion >= 22) {
        w.int64(starts[i]);
      } else {
        w.int32(starts[i]);
      }
      w.int32(sizeOf(d.objects[i]));
      w.int32(static_cast<std::uint32_t>(d.objects[i].typeId));  // the index of its type
    }
    return;
  }
  if (d.formatVersion >= 14) w.alignTo(4);
  for (std::size_t i = 0; i < d.objects.size(); ++i) {
    const ObjectDescription& o = d.objects[i];
    if (d.formatVersion >= 14) {
      w.int64(static_cast<std::uint64_t>(o.pathId));
    } else {
      w.int32(static_cast<std::uint32_t>(o.pathId));
    }
    w.int32(starts[i]);
    w.int32(sizeOf(o));
    w.int32(static_cast<std::uint32_t>(o.typeId));
    w.int16(static_cast<std::uint16_t>(o.classId));
    w.int16(o.scriptTypeIndex);
    if (d.formatVersion >= 15) w.int32(static_cast<std::uint32_t>(o.strippedWord));
  }
}

// The metadata block as it stands at file offset base; records where its parts begin.
Bytes buildMetadata(const AssetDescription& d, const std::vector<std::uint32_t>& starts, std::size_t base,
                    BuiltAsset& built) {
  Bytes metadata;
  ByteWriter w(metadata, base);
  w.bigEndian = d.formatVersion < 5;
  if (d.formatVersion >= 7) {
    w.cstring(d.engineVersion);
    w.int32(static_cast<std::uint32_t>(d.targetPlatform));
  }
  built.typeListStart = w.offset();
  writeTypeList(w, d);
  built.objectTableStart = w.offset();
  writeObjectTable(w, d, starts);
  if (d.formatVersion >= 17 && d.metadataTail.empty()) {
    w.int32(0);                             // script types
    w.int32(0);                             // externals
    if (d.formatVersion >= 20) w.int32(0);  // reference types
    w.cstring("");                          // user information
  } else {
    w.bytes(d.formatVersion >= 17 ? d.metadataTail : d.externals);
  }
  return metadata;
}

// The byte starts are kept in 32 bits, which every format can hold.
std::vector<std::uint32_t> layOutObjects(const AssetDescription& d) {
  std::vector<std::uint32_t> starts;
  std::uint64_t next = 0;
  for (const ObjectDescription& o : d.objects) {
    next = alignUp(next, d.objectAlignment);
    if (next + sizeOf(o) > std::numeric_limits<std::uint32_t>::max())
      throw std::length_error("the objects reach past 4 GiB from the data offset");
    starts.push_back(static_cast<std::uint32_t>(next));
    next += sizeOf(o);
  }
  return starts;
}

void appendObjects(Bytes& file, const AssetDescription& d, const BuiltAsset& built) {
  for (std::size_t i = 0; i < d.objects.size(); ++i) {
    file.resize(built.dataOffset + built.byteStarts[i], 0);
    file.insert(file.end(), d.objects[i].data.begin(), d.objects[i].data.end());
  }
}

// The header goes into the zeroed bytes kept for it at the start of the file.
void writeHeader(Bytes& file, const AssetDescription& d, std::uint64_t fileLength, std::uint32_t metadataSize,
                 std::uint32_t dataOffset) {
  Bytes head;
  ByteWriter w(head);
  w.bigEndian = true;
  if (d.formatVersion >= 22) {
    w.int32(0);
    w.int32(0);
    w.int32(static_cast<std::uint32_t>(d.formatVersion));
    w.int32(0);
    w.byte(d.endianness);
    for (std::uint8_t b : d.reserved) w.byte(b);
    w.int32(metadataSize);
    for (const std::uint64_t value : {fileLength, std::uint64_t{dataOffset}}) {
      for (int i = 7; i >= 0; --i) w.byte(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    for (int i = 0; i < 8; ++i) w.byte(0);
    std::copy(head.begin(), head.end(), file.begin());
    return;
  }
  w.int32(metadataSize);
  w.int32(static_cast<std::uint32_t>(fileLength));
  w.int32(static_cast<std::uint32_t>(d.formatVersion));
  w.int32(dataOffset);
  if (d.formatVersion >= 9) {
    w.byte(d.endianness);
    for (std::uint8_t b : d.reserved) w.byte(b);
  }
  std::copy(head.begin(), head.end(), file.begin());
}

// Up to the end of the last object: the unbuilt ones come last and only where the metadata is first.
std::uint64_t fileLengthOf(const AssetDescription& d, const BuiltAsset& built) {
  if (d.objects.empty() || d.formatVersion < 9) return built.bytes.size();
  return std::max<std::uint64_t>(built.bytes.size(), std::uint64_t{built.dataOffset} +
                                                         built.byteStarts.back() + sizeOf(d.objects.back()));
}

bool hasUnbuiltObjects(const AssetDescription& d) {
  return std::any_of(d.objects.begin(), d.objects.end(),
                     [](const ObjectDescription& o) { return o.data.empty() && o.unbuiltSize > 0; });
}

}  // namespace

BuiltAsset buildAsset(const AssetDescription& d) {
  if (d.formatVersion < 9 && hasUnbuiltObjects(d))
    throw std::invalid_argument("unbuilt objects need the metadata before the data (format 9 on)");
  BuiltAsset built;
  built.byteStarts = layOutObjects(d);
  const std::size_t headerLength = d.formatVersion >= 22 ? 48 : d.formatVersion >= 9 ? 20 : 16;
  Bytes body;

  if (d.formatVersion >= 9) {
    built.metadataStart = headerLength;
    const Bytes metadata = buildMetadata(d, built.byteStarts, headerLength, built);
    built.metadataEnd = headerLength + metadata.size();
    built.dataOffset = static_cast<std::uint32_t>(alignUp(built.metadataEnd, d.dataAlignment));
    body.resize(built.dataOffset, 0);
    std::copy(metadata.begin(), metadata.end(), body.begin() + static_cast<std::ptrdiff_t>(headerLength));
    appendObjects(body, d, built);
  } else {
    built.dataOffset = static_cast<std::uint32_t>(alignUp(headerLength, d.dataAlignment));
    body.resize(built.dataOffset, 0);
    appendObjects(body, d, built);
    // The metadata takes the last bytes of the file; its first byte is not part of it.
    body.push_back(0);
    built.metadataStart = body.size();
    const Bytes metadata = buildMetadata(d, built.byteStarts, body.size(), built);
    body.insert(body.end(), metadata.begin(), metadata.end());
    built.metadataEnd = body.size();
  }

  const std::uint32_t metadataSize =
      d.formatVersion >= 9 ? static_cast<std::uint32_t>(built.metadataEnd - built.metadataStart)
                           : static_cast<std::uint32_t>(built.metadataEnd - built.metadataStart + 1);
  built.bytes = std::move(body);
  built.fileLength = fileLengthOf(d, built);
  writeHeader(built.bytes, d, built.fileLength, metadataSize, built.dataOffset);
  return built;
}

TreeNode treeWithLeaves(int leaves) {
  TreeNode root;
  for (int i = 0; i < leaves; ++i) {
    TreeNode leaf;
    leaf.typeName = "int";
    leaf.fieldName = "m_Field" + std::to_string(i);
    leaf.byteSize = 4;
    leaf.index = i + 1;
    root.children.push_back(leaf);
  }
  return root;
}

void appendInt32(Bytes& bytes, std::int32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
}

void appendInt64(Bytes& bytes, std::int64_t value) {
  for (int i = 0; i < 8; ++i)
    bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
}

void appendString(Bytes& bytes, std::string_view text) {
  appendInt32(bytes, static_cast<std::int32_t>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

}  // namespace testsupport
