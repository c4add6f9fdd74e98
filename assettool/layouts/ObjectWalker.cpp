#include "layouts/ObjectWalker.h"

#include <algorithm>
#include <limits>

namespace layouts {
namespace {

constexpr std::size_t alignedTo4(std::size_t position) {
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
  std::size_t smallestSize(std::size_t index) const {
    const LayoutNode& n = layout_[index];
    if (n.isArray) return 4;
    if (n.byteSize > 0) return static_cast<std::size_t>(n.byteSize);
    std::size_t total = 0;
    for (std::size_t child : children(index)) total += smallestSize(child);
    return total;
  }

  // Elements of this node can be taken as one run of bytes: a fixed size, no array and no
  // alignment inside (pixels, characters, character rectangles).
  bool isFixedRun(std::size_t index) const {
    const LayoutNode& n = layout_[index];
    if (n.byteSize <= 0 || n.isArray || n.alignAfter) return false;
    const std::vector<std::size_t>& below = children(index);
    return std::all_of(below.begin(), below.end(), [this](std::size_t child) { return isFixedRun(child); });
  }

 private:
  Layout layout_;
  std::vector<std::vector<std::size_t>> children_;
};

class Reader {
 public:
  Reader(std::span<const std::uint8_t> object, Layout layout) : object_(object), tree_(layout) {}

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
  std::size_t remaining() const { return position_ < object_.size() ? object_.size() - position_ : 0; }

  bool take(std::size_t length) {
    if (length > remaining()) return false;
    position_ += length;
    consumed_ = position_;
    return true;
  }

  bool readPrimitive(const LayoutNode& node) {
    return node.byteSize > 0 && take(static_cast<std::size_t>(node.byteSize));
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
    const std::uint8_t* at = object_.data() + position_;
    const auto count =
        static_cast<std::int32_t>(at[0] | at[1] << 8 | at[2] << 16 | std::uint32_t{at[3]} << 24);
    take(4);
    if (count < 0) return false;
    field.count = static_cast<std::uint32_t>(count);
    const std::size_t element = children[1];
    if (tree_.isFixedRun(element)) {
      const auto size = static_cast<std::size_t>(tree_.node(element).byteSize);
      return field.count <= remaining() / size && take(field.count * size);
    }
    const std::size_t smallest = std::max<std::size_t>(tree_.smallestSize(element), 1);
    if (field.count > remaining() / smallest) return false;
    field.children.reserve(field.count);
    for (std::uint32_t i = 0; i < field.count; ++i) {
      std::optional<Field> item = read(element);
      if (!item) return false;
      field.children.push_back(std::move(*item));
    }
    return true;
  }

  std::span<const std::uint8_t> object_;
  Tree tree_;
  std::size_t position_ = 0;
  std::size_t consumed_ = 0;  // the end of the last bytes read, before any padding after them
};

class Writer {
 public:
  Writer(AssetStream& stream, std::span<const std::uint8_t> original, const FieldValues& values)
      : stream_(stream), original_(original), values_(values), start_(stream.position()) {}

  void write(const Field& field, bool pad) {
    if (const auto value = values_.find(&field); value != values_.end()) {
      stream_.writeBytes(value->second);
      if (pad && endsAligned(field)) padToMultipleOf4(nullptr);
      return;
    }
    if (field.children.empty()) {
      stream_.writeBytes(original_.subspan(field.begin, field.end - field.begin));
    } else if (field.node->isArray) {
      stream_.writeBytes(original_.subspan(field.begin, 4));  // the count
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

 private:
  // Whether padding follows the field's last byte: its own, or that of the last field of a struct
  // (a string's characters align in the Array node inside it). An array's last element ends in
  // the bytes of the array.
  static bool endsAligned(const Field& field) {
    if (field.node->alignAfter) return true;
    return !field.node->isArray && !field.children.empty() && endsAligned(field.children.back());
  }

  // The padding after a field: the original's bytes when the field was copied and stands where it
  // stood, zeros otherwise.
  void padToMultipleOf4(const Field* copied) {
    static constexpr std::uint8_t kZeros[4] = {};
    const auto written = static_cast<std::size_t>(stream_.position() - start_);
    const std::size_t length = alignedTo4(written) - written;
    if (copied != nullptr && written == copied->end && copied->paddedEnd - copied->end == length) {
      stream_.writeBytes(original_.subspan(copied->end, length));
    } else {
      stream_.writeBytes(std::span(kZeros, length));
    }
  }

  AssetStream& stream_;
  std::span<const std::uint8_t> original_;
  const FieldValues& values_;
  std::int64_t start_;
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

std::optional<Field> readObject(std::span<const std::uint8_t> object, Layout layout) {
  if (layout.empty()) return std::nullopt;
  Reader reader(object, layout);
  std::optional<Field> root = reader.read(0);
  if (!root || !reader.atEnd()) return std::nullopt;
  return root;
}

void writeObject(AssetStream& stream, std::span<const std::uint8_t> original, const Field& root,
                 const FieldValues& values, bool padEnd) {
  Writer(stream, original, values).write(root, padEnd);
}

}  // namespace layouts
