#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "layouts/ObjectWalker.h"
#include "stream/AssetStream.h"

// The fields of an object's data, read and written through the object's layout. A record names
// the fields it reads or changes; every other field is written back as it stood.
namespace fields {

using Bytes = std::vector<std::uint8_t>;

// How the objects of a class are laid out in a file, and how they are written.
struct ObjectLayout {
  layouts::Layout nodes;
  // Whether the padding after the last field is written. The engine counts it as part of the
  // object, but the textures of 5.2 have always been written without it, and readers accept them so.
  bool padsEnd = true;
};

// An object read through its layout. Values are little-endian, as object data is.
class LaidOutObject {
 public:
  // The values set point into the fields as read: an object moves, never copies.
  LaidOutObject() = default;
  LaidOutObject(LaidOutObject&&) = default;
  LaidOutObject& operator=(LaidOutObject&&) = default;

  // False when the object is not laid out so: a count or a length runs past its bytes, or more
  // than padding is left after its last field (rewriting it would lose or shift fields).
  bool read(Bytes bytes, const ObjectLayout& layout);

  // The field at a path of names below the object ("m_StreamData.offset"), or nothing.
  const layouts::Field* find(std::string_view path) const;
  bool has(std::string_view path) const { return find(path) != nullptr; }
  // A number field's value as last set or read, widened with its sign; 0 for a field that is not
  // there or is not a number (layouts::isNumber).
  std::int64_t number(std::string_view path) const;
  // The bytes of a run of bytes (layouts::isByteRun) as last set or read, without its count; empty
  // for a field that is not there or is not such a run.
  Bytes elements(std::string_view path) const;
  // The field's bytes as it is serialized, an array's count included, as last set or read.
  Bytes serialized(std::string_view path) const;
  // The layout of the field alone, for reading a replacement of it by itself.
  layouts::Layout layoutOf(const layouts::Field& field) const;

  // Each setter leaves alone a field that the layout does not have or that is not of its kind. A
  // number is written in its field's size.
  void setNumber(std::string_view path, std::int64_t value);
  // A run of bytes: its count, then the bytes.
  void setElements(std::string_view path, std::span<const std::uint8_t> elements);
  // Any field as it is serialized, an array's count included.
  void setSerialized(std::string_view path, Bytes serialized);

  // Writes the object at the stream's position; returns the number of bytes it took.
  std::int64_t write(AssetStream& stream) const;

 private:
  std::span<const std::uint8_t> stored(const layouts::Field& field) const;

  Bytes bytes_;
  ObjectLayout layout_;
  layouts::Field root_;
  layouts::FieldValues values_;
};

}  // namespace fields
