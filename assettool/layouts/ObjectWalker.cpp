#include "layouts/ObjectWalker.h"

#include <algorithm>
#include <limits>

namespace layouts {
namespace {

constexpr std::uint64_t alignedTo4(std::uint64_t position) {
  return (position + 3) / 4 * 4;
}

// The nodes of a layout below one node: its children are the following nodes one level deeper,
// up to the next node at its own level or above. Found once for the whole layout.
class Tree {
 public:
  explicit Tree(Layout layout) : layout_(layout), children_(layout.size()) {
    for (std::size_t index = 0; index < layout_.size(); ++index) {
      for (std::size_t i = index + 1; i < layout_.size() && layout_[i].level > layout_[index].level; ++i) {
        if (layout_[i].level == layout_[index].level + 1) children_[index].push_back(i);
      }
    }
  }

  const LayoutNode& node(std::size_t index) const { return layout_[index]; }
  const std::vector<std::size_t>& children(std::size_t index) const { return children_[index]; }

  // The fewest bytes the node can take, so that a count is checked before its elements are read.
  std::uint64_t smallestSize(std::size_t index) const {
    const LayoutNode& n = layout_[index];
    if (n.isArray) return 4;
    if (n.byteSize > 0) return static_cast<std::uint64_t>(n.byteSize);
    std::uint64_t total = 0;
    for (std::size_t child : children(index)) total += smallestSize(child);
    return total;
  }

  // Elements of this node can be taken as one run of bytes wherever they lie: a fixed size, no
  // array and no alignment inside (pixels, characters, kerning pairs).
  bool isFixedRun(std::size_t index) const {
    const LayoutNode& n = layout_[index];
    if (n.byteSize <= 0 || n.isArray || n.alignAfter) return false;
    const std::vector<std::size_t>& below = children(index);
    return std::all_of(below.begin(), below.end(), [this](std::size_t child) { return isFixedRun(child); });
  }

  // The node and the nodes below it.
  Layout subtreeOf(std::size_t index) const { return subtree(layout_, layout_[index]); }

  // The length of an element of this node that pads inside (character rectangles), when it does
  // not vary and keeps every element starting on a multiple of 4; nothing otherwise.
  std::optional<std::uint64_t> paddedRunLength(std::size_t index) const {
    const std::optional<std::size_t> length = fixedLength(subtreeOf(index));
    if (!length || *length == 0 || *length % 4 != 0) return std::nullopt;
    return *length;
  }

 private:
  Layout layout_;
  std::vector<std::vector<std::size_t>> children_;
};

class Reader {
 public:
  // Reads from the offset on, which padding counts from as from the object's start.
  Reader(const ByteRegion& object, Layout layout, std::uint64_t offset = 0)
      : object_(object), tree_(layout), position_(offset), consumed_(offset) {}

  std::optional<Field> read(std::size_t index) {
    Field field;
    field.node = &tree_.node(index);
    field.begin = position_;
    const std::vector<std::size_t>& children = tree_.children(index);
    const bool ok = field.node->isArray ? readArray(field, children)
                    : children.empty()  ? readPrimitive(*field.node)
                                        : readStruct(field, children);
    if (!ok) return std::nullopt;
    field.end = position_;
    if (field.node->alignAfter) position_ = alignedTo4(position_);
    field.paddedEnd = std::min(position_, object_.size());
    return field;
  }

  // Nothing but the padding to the next multiple of 4 is left after the last byte read.
  bool atEnd() const { return object_.size() <= alignedTo4(consumed_); }

 private:
  std::uint64_t remaining() const { return position_ < object_.size() ? object_.size() - position_ : 0; }

  bool take(std::uint64_t length) {
    if (length > remaining()) return false;
    position_ += length;
    consumed_ = position_;
    return true;
  }

  bool readPrimitive(const LayoutNode& node) {
    return node.byteSize > 0 && take(static_cast<std::uint64_t>(node.byteSize));
  }

  bool readStruct(Field& field, const std::vector<std::size_t>& children) {
    for (std::size_t child : children) {
      std::optional<Field> member = read(child);
      if (!member) return false;
      field.children.push_back(std::move(*member));
    }
    return true;
  }

  // The count, then the elements; an array's children are the count's node and the element's.
  bool readArray(Field& field, const std::vector<std::size_t>& children) {
    if (children.size() != 2 || remaining() < 4) return false;
    const auto count = static_cast<std::int32_t>(object_.word(position_));
    take(4);
    if (count < 0 || object_.failed()) return false;
    field.count = static_cast<std::uint32_t>(count);
    const std::size_t element = children[1];
    if (tree_.isFixedRun(element)) {
      const auto size = static_cast<std::uint64_t>(tree_.node(element).byteSize);
      return field.count <= remaining() / size && take(field.count * size);
    }
    if (const std::optional<std::uint64_t> size = tree_.paddedRunLength(element);
        size && position_ % 4 == 0) {
      field.paddedElement = tree_.subtreeOf(element);
      return field.count <= remaining() / *size && take(field.count * *size);
    }
    const std::uint64_t smallest = std::max<std::uint64_t>(tree_.smallestSize(element), 1);
    if (field.count > remaining() / smallest) return false;
    field.children.reserve(field.count);
    for (std::uint32_t i = 0; i < field.count; ++i) {
      std::optional<Field> item = read(element);
      if (!item) return false;
      field.children.push_back(std::move(*item));
    }
    return true;
  }

  const ByteRegion& object_;
  Tree tree_;
  std::uint64_t position_ = 0;
  std::uint64_t consumed_ = 0;  // the end of the last bytes read, before any padding after them
};

class Writer {
 public:
  Writer(AssetStream& stream, const ByteRegion& original, const FieldValues& values)
      : stream_(stream), original_(original), values_(values), start_(stream.position()) {}

  void write(const Field& field, bool pad) {
    if (const auto value = values_.find(&field); value != values_.end()) {
      stream_.writeBytes(value->second.held);
      if (value->second.copied) copy(*value->second.copied);
      if (pad && endsAligned(field)) padToMultipleOf4(nullptr);
      return;
    }
    if (!field.paddedElement.empty() && (written() - field.begin) % 4 != 0) {
      writeElementsPaddedAnew(field);
    } else if (field.children.empty()) {
      copyOriginal(field.begin, field.end - field.begin);
    } else if (field.node->isArray) {
      copyOriginal(field.begin, 4);  // the count
      for (const Field& item : field.children) write(item, true);
    } else {
      for (std::size_t i = 0; i < field.children.size(); ++i) {
        const Field& member = field.children[i];
        const bool last = i + 1 == field.children.size();
        write(member, pad || !last);
      }
    }
    if (field.node->alignAfter && pad) padToMultipleOf4(&field);
  }

  bool sourcesRead() const { return sourcesRead_; }

 private:
  // Whether padding follows the field's last byte: its own, or that of the last field of a struct
  // (a string's characters align in the Array node inside it). An array's last element ends in
  // the bytes of the array.
  static bool endsAligned(const Field& field) {
    if (field.node->alignAfter) return true;
    return !field.node->isArray && !field.children.empty() && endsAligned(field.children.back());
  }

  std::uint64_t written() const { return static_cast<std::uint64_t>(stream_.position() - start_); }

  // The array moved to where its elements' padding falls elsewhere: each element is read again by
  // its layout, one at a time, and written with the padding of its new place.
  void writeElementsPaddedAnew(const Field& array) {
    copyOriginal(array.begin, 4);  // the count
    const std::uint64_t length = (array.end - array.begin - 4) / std::max<std::uint32_t>(array.count, 1);
    for (std::uint32_t i = 0; i < array.count; ++i) {
      Reader reader(original_, array.paddedElement, array.begin + 4 + i * length);
      const std::optional<Field> element = reader.read(0);
      if (!element) {
        sourcesRead_ = false;
        return;
      }
      write(*element, true);
    }
  }

  void copy(const RegionSlice& slice) {
    if (!stream_.copy(slice)) sourcesRead_ = false;
  }

  void copyOriginal(std::uint64_t offset, std::uint64_t length) {
    if (length == 0) return;
    // The original is not owned here: the slice only borrows it for the copy.
    copy(RegionSlice{std::shared_ptr<const ByteRegion>(std::shared_ptr<void>(), &original_), offset, length});
  }

  // The padding after a field: the original's bytes when the field was copied and stands where it
  // stood, zeros otherwise.
  void padToMultipleOf4(const Field* copied) {
    static constexpr std::uint8_t kZeros[4] = {};
    const std::uint64_t at = written();
    const std::uint64_t length = alignedTo4(at) - at;
    if (copied != nullptr && at == copied->end && copied->paddedEnd - copied->end == length) {
      copyOriginal(copied->end, length);
    } else {
      stream_.writeBytes(std::span(kZeros, static_cast<std::size_t>(length)));
    }
  }

  AssetStream& stream_;
  const ByteRegion& original_;
  const FieldValues& values_;
  std::int64_t start_;
  bool sourcesRead_ = true;
};

}  // namespace

const Field* Field::field(std::string_view name) const {
  const auto found = std::find_if(children.begin(), children.end(),
                                  [name](const Field& child) { return name == child.node->name; });
  return found == children.end() ? nullptr : &*found;
}

Layout subtree(Layout layout, const LayoutNode& node) {
  const auto first = static_cast<std::size_t>(&node - layout.data());
  std::size_t end = first + 1;
  while (end < layout.size() && layout[end].level > node.level) ++end;
  return layout.subspan(first, end - first);
}

bool isNumber(Layout layout, const LayoutNode& node) {
  const Layout nodes = subtree(layout, node);
  const std::int32_t size = node.byteSize;
  return nodes.size() == 1 && !node.isArray && (size == 1 || size == 2 || size == 4 || size == 8);
}

bool isByteRun(Layout layout, const LayoutNode& node) {
  const Layout nodes = subtree(layout, node);
  // The array itself, or a struct of nothing but the array; then its count and a one-byte element.
  const std::size_t array = node.isArray ? 0 : 1;
  return nodes.size() == array + 3 && nodes[array].isArray &&
         nodes[array].level == node.level + static_cast<int>(array) && nodes[array + 2].byteSize == 1 &&
         nodes[array + 2].level == nodes[array].level + 1;
}

std::optional<std::size_t> fixedLength(Layout layout) {
  std::size_t length = 0;
  std::vector<const LayoutNode*> open;  // structs whose padding comes after their last field
  const auto close = [&](int level) {
    while (!open.empty() && level <= open.back()->level) {
      if (open.back()->alignAfter) length = alignedTo4(length);
      open.pop_back();
    }
  };
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const LayoutNode& node = layout[i];
    close(node.level);
    if (node.isArray || node.byteSize < 0) return std::nullopt;
    if (i + 1 < layout.size() && layout[i + 1].level > node.level) {
      open.push_back(&node);
      continue;
    }
    length += static_cast<std::size_t>(node.byteSize);
    if (node.alignAfter) length = alignedTo4(length);
  }
  close(std::numeric_limits<int>::min());
  return length;
}

const Field* Field::array() const {
  if (node->isArray) return this;
  if (children.size() == 1 && children.front().node->isArray) return &children.front();
  return nullptr;
}

std::optional<Field> readObject(const ByteRegion& object, Layout layout) {
  if (layout.empty()) return std::nullopt;
  Reader reader(object, layout);
  std::optional<Field> root = reader.read(0);
  if (!root || !reader.atEnd() || object.failed()) return std::nullopt;
  return root;
}

std::optional<Field> readObject(std::span<const std::uint8_t> object, Layout layout) {
  return readObject(ByteRegion(object), layout);
}

bool writeObject(AssetStream& stream, const ByteRegion& original, const Field& root,
                 const FieldValues& values, bool padEnd) {
  Writer writer(stream, original, values);
  writer.write(root, padEnd);
  return writer.sourcesRead();
}

}  // namespace layouts
