#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "layouts/ObjectWalker.h"
#include "stream/AssetStream.h"
#include "stream/ByteRegion.h"

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

// An object read through its layout where it lies. Values are little-endian, as object data is.
class LaidOutObject {
 public:
  // The values set point into the fields as read: an object moves, never copies.
  LaidOutObject() = default;
  LaidOutObject(LaidOutObject&&) = default;
  LaidOutObject& operator=(LaidOutObject&&) = default;

  // False when the object is not laid out so: a count or a length runs past its bytes, or more
  // than padding is left after its last field (rewriting it would lose or shift fields).
  bool read(std::shared_ptr<const ByteRegion> object, const ObjectLayout& layout);
  bool read(const Bytes& bytes, const ObjectLayout& layout);

  // The field at a path of names below the object ("m_StreamData.offset"), or nothing.
  const layouts::Field* find(std::string_view path) const;
  bool has(std::string_view path) const { return find(path) != nullptr; }
  // A number field's value as last set or read, widened with its sign; 0 for a field that is not
  // there or is not a number (layouts::isNumber).
  std::int64_t number(std::string_view path) const;
  // The bytes of a run of bytes (layouts::isByteRun) as last set or read, without its count; empty
  // for a field that is not there or is not such a run. Read whole: for short runs (names, paths).
  Bytes elements(std::string_view path) const;
  // The same as a stretch of the object, for a run of any length as read; nothing for a field that
  // is not there or is not such a run.
  std::optional<RegionSlice> storedElements(std::string_view path) const;
  // The field's bytes as it is serialized, an array's count included, as last set or read.
  Bytes serialized(std::string_view path) const;
  // The same as a stretch of the object, as read.
  std::optional<RegionSlice> storedSerialized(std::string_view path) const;
  // The layout of the field alone, for reading a replacement of it by itself.
  layouts::Layout layoutOf(const layouts::Field& field) const;

  // Each setter leaves alone a field that the layout does not have or that is not of its kind. A
  // number is written in its field's size.
  void setNumber(std::string_view path, std::int64_t value);
  // A run of bytes: its count, then the bytes.
  void setElements(std::string_view path, std::span<const std::uint8_t> elements);
  // The same from a stretch of a file, copied when the object is written. False, with the field
  // left alone, when the run is longer than a count holds.
  bool setElements(std::string_view path, const RegionSlice& elements);
  // Any field as it is serialized, an array's count included, from a stretch of a file.
  void setSerialized(std::string_view path, const RegionSlice& serialized);

  // Writes the object at the stream's position. False when a file that bytes are copied from could
  // not be read: what was written is then incomplete.
  bool write(AssetStream& stream) const;

 private:
  // Where the field's bytes lie in the object as read, without the padding after it.
  RegionSlice stored(const layouts::Field& field) const;

  std::shared_ptr<const ByteRegion> source_;
  ObjectLayout layout_;
  layouts::Field root_;
  layouts::FieldValues values_;
};

// The bytes of a stretch, changed as it says; read whole, for short stretches only.
Bytes bytesOf(const RegionSlice& slice);

}  // namespace fields
