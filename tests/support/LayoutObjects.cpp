#include "support/LayoutObjects.h"

#include <vector>

namespace testsupport {
namespace {

Bytes number(std::int64_t value, std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length && i < 8; ++i)
    bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
  return bytes;
}

class ObjectWriter {
 public:
  ObjectWriter(layouts::Layout layout, const LayoutValues& values) : layout_(layout), values_(values) {}

  Bytes write(bool padEnd) {
    std::size_t index = 0;
    writeNode(index, "", padEnd);
    return std::move(bytes_);
  }

 private:
  bool hasChildren(std::size_t index) const {
    return index + 1 < layout_.size() && layout_[index + 1].level == layout_[index].level + 1;
  }
  // Past the node's descendants.
  std::size_t skip(std::size_t index) const {
    std::size_t next = index + 1;
    while (next < layout_.size() && layout_[next].level > layout_[index].level) ++next;
    return next;
  }
  // A string or a vector is a struct of one array, which carries its padding.
  bool alignsAfter(std::size_t index) const {
    if (layout_[index].alignAfter) return true;
    const std::size_t child = index + 1;
    return hasChildren(index) && !layout_[index].isArray && layout_[child].isArray &&
           skip(child) == skip(index) && layout_[child].alignAfter;
  }
  void pad() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }

  void writeNode(std::size_t& index, const std::string& path, bool padAfter) {
    const layouts::LayoutNode& node = layout_[index];
    if (const auto value = values_.serialized.find(path); value != values_.serialized.end()) {
      bytes_.insert(bytes_.end(), value->second.begin(), value->second.end());
      if (padAfter && alignsAfter(index)) pad();
      index = skip(index);
      return;
    }
    if (node.isArray) {
      bytes_.insert(bytes_.end(), 4, 0);  // no elements
      if (padAfter && node.alignAfter) pad();
      index = skip(index);
      return;
    }
    if (!hasChildren(index)) {
      const auto value = values_.numbers.find(path);
      const Bytes bytes =
          number(value == values_.numbers.end() ? 0 : value->second, static_cast<std::size_t>(node.byteSize));
      bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
      if (padAfter && node.alignAfter) pad();
      ++index;
      return;
    }
    const std::size_t end = skip(index);
    ++index;
    while (index < end) {
      const std::string name = layout_[index].name;
      const bool last = skip(index) == end;
      writeNode(index, path.empty() ? name : path + "." + name, padAfter || !last);
    }
    if (padAfter && node.alignAfter) pad();
  }

  layouts::Layout layout_;
  const LayoutValues& values_;
  Bytes bytes_;
};

}  // namespace

Bytes counted(const Bytes& elements, std::size_t elementLength) {
  Bytes bytes = number(static_cast<std::int64_t>(elements.size() / elementLength), 4);
  bytes.insert(bytes.end(), elements.begin(), elements.end());
  return bytes;
}

Bytes counted(std::string_view text) {
  return counted(Bytes(text.begin(), text.end()));
}

Bytes layoutObject(layouts::Layout layout, const LayoutValues& values, bool padEnd) {
  return ObjectWriter(layout, values).write(padEnd);
}

}  // namespace testsupport
