#include "codecs/ObjectFields.h"

#include <algorithm>

namespace fields {
namespace {

constexpr std::size_t kCountLength = 4;

std::int64_t littleEndianNumber(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i > 0; --i) value = value << 8 | bytes[i - 1];
  const std::size_t bits = bytes.size() * 8;
  if (bits > 0 && bits < 64 && (value >> (bits - 1)) != 0) value |= ~std::uint64_t{0} << bits;
  return static_cast<std::int64_t>(value);
}

}  // namespace

bool LaidOutObject::read(Bytes bytes, const ObjectLayout& layout) {
  std::optional<layouts::Field> root = layouts::readObject(bytes, layout.nodes);
  if (!root) return false;
  bytes_ = std::move(bytes);
  layout_ = layout;
  root_ = std::move(*root);
  values_.clear();
  return true;
}

const layouts::Field* LaidOutObject::find(std::string_view path) const {
  const layouts::Field* field = &root_;
  while (field != nullptr && !path.empty()) {
    const std::size_t dot = path.find('.');
    field = field->field(path.substr(0, dot));
    path = dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
  }
  return field;
}

// A struct's bytes end with those of its last field: padding that its last field's array is
// followed by is not the struct's.
std::span<const std::uint8_t> LaidOutObject::stored(const layouts::Field& field) const {
  const layouts::Field* last = &field;
  while (!last->node->isArray && !last->children.empty()) last = &last->children.back();
  return std::span(bytes_).subspan(field.begin, last->end - field.begin);
}

std::int64_t LaidOutObject::number(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isNumber(layout_.nodes, *field->node)) return 0;
  const Bytes bytes = serialized(path);
  return littleEndianNumber(bytes);
}

Bytes LaidOutObject::serialized(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr) return {};
  if (const auto value = values_.find(field); value != values_.end()) return value->second;
  const std::span<const std::uint8_t> bytes = stored(*field);
  return Bytes(bytes.begin(), bytes.end());
}

Bytes LaidOutObject::elements(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return {};
  Bytes bytes = serialized(path);
  bytes.erase(bytes.begin(),
              bytes.begin() + static_cast<std::ptrdiff_t>(std::min(kCountLength, bytes.size())));
  return bytes;
}

layouts::Layout LaidOutObject::layoutOf(const layouts::Field& field) const {
  return layouts::subtree(layout_.nodes, *field.node);
}

void LaidOutObject::setNumber(std::string_view path, std::int64_t value) {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isNumber(layout_.nodes, *field->node)) return;
  Bytes bytes(static_cast<std::size_t>(field->node->byteSize));
  auto bits = static_cast<std::uint64_t>(value);
  for (std::uint8_t& byte : bytes) {
    byte = static_cast<std::uint8_t>(bits);
    bits >>= 8;
  }
  values_.insert_or_assign(field, std::move(bytes));
}

void LaidOutObject::setElements(std::string_view path, std::span<const std::uint8_t> elements) {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return;
  Bytes bytes;
  bytes.reserve(kCountLength + elements.size());
  const auto count = static_cast<std::uint32_t>(elements.size());
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(count >> shift));
  bytes.insert(bytes.end(), elements.begin(), elements.end());
  values_.insert_or_assign(field, std::move(bytes));
}

void LaidOutObject::setSerialized(std::string_view path, Bytes serialized) {
  if (const layouts::Field* field = find(path)) values_.insert_or_assign(field, std::move(serialized));
}

std::int64_t LaidOutObject::write(AssetStream& stream) const {
  const std::int64_t start = stream.position();
  layouts::writeObject(stream, bytes_, root_, values_, layout_.padsEnd);
  return stream.position() - start;
}

}  // namespace fields
