#include "codecs/ObjectFields.h"

#include <algorithm>
#include <limits>

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

Bytes countBytes(std::uint64_t count) {
  Bytes bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(count >> shift));
  return bytes;
}

}  // namespace

Bytes bytesOf(const RegionSlice& slice) {
  Bytes bytes = slice.region->bytes(slice.offset, slice.length);
  if (slice.change != nullptr) slice.change(bytes);
  return bytes;
}

bool LaidOutObject::read(std::shared_ptr<const ByteRegion> object, const ObjectLayout& layout) {
  std::optional<layouts::Field> root = layouts::readObject(*object, layout.nodes);
  if (!root) return false;
  source_ = std::move(object);
  layout_ = layout;
  root_ = std::move(*root);
  values_.clear();
  return true;
}

bool LaidOutObject::read(const Bytes& bytes, const ObjectLayout& layout) {
  return read(std::make_shared<const ByteRegion>(bytes), layout);
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
RegionSlice LaidOutObject::stored(const layouts::Field& field) const {
  const layouts::Field* last = &field;
  while (!last->node->isArray && !last->children.empty()) last = &last->children.back();
  return RegionSlice{source_, field.begin, last->end - field.begin};
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
  const auto value = values_.find(field);
  if (value == values_.end()) return bytesOf(stored(*field));
  Bytes bytes = value->second.held;
  if (value->second.copied) {
    const Bytes copied = bytesOf(*value->second.copied);
    bytes.insert(bytes.end(), copied.begin(), copied.end());
  }
  return bytes;
}

std::optional<RegionSlice> LaidOutObject::storedSerialized(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr) return std::nullopt;
  return stored(*field);
}

Bytes LaidOutObject::elements(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return {};
  Bytes bytes = serialized(path);
  bytes.erase(bytes.begin(),
              bytes.begin() + static_cast<std::ptrdiff_t>(std::min(kCountLength, bytes.size())));
  return bytes;
}

std::optional<RegionSlice> LaidOutObject::storedElements(std::string_view path) const {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return std::nullopt;
  RegionSlice slice = stored(*field);
  slice.offset += kCountLength;
  slice.length -= kCountLength;
  return slice;
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
  values_.insert_or_assign(field, layouts::FieldValue{std::move(bytes), std::nullopt});
}

void LaidOutObject::setElements(std::string_view path, std::span<const std::uint8_t> elements) {
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return;
  Bytes bytes = countBytes(elements.size());
  bytes.insert(bytes.end(), elements.begin(), elements.end());
  values_.insert_or_assign(field, layouts::FieldValue{std::move(bytes), std::nullopt});
}

bool LaidOutObject::setElements(std::string_view path, const RegionSlice& elements) {
  // Counts are signed 32-bit numbers in object data.
  if (elements.length > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
  const layouts::Field* field = find(path);
  if (field == nullptr || !layouts::isByteRun(layout_.nodes, *field->node)) return true;
  values_.insert_or_assign(field, layouts::FieldValue{countBytes(elements.length), elements});
  return true;
}

void LaidOutObject::setSerialized(std::string_view path, const RegionSlice& serialized) {
  if (const layouts::Field* field = find(path))
    values_.insert_or_assign(field, layouts::FieldValue{{}, serialized});
}

bool LaidOutObject::write(AssetStream& stream) const {
  return layouts::writeObject(stream, *source_, root_, values_, layout_.padsEnd);
}

}  // namespace fields
