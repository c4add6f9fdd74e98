#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "layouts/ObjectLayouts.h"
#include "stream/AssetStream.h"
#include "stream/ByteRegion.h"

// Reads and writes any object through its layout. A codec names the fields it changes; every other
// field is copied as it stood. Objects are walked where they lie: only counts are read, and runs of
// fixed-size elements (pixels, characters, font data) are stepped over, so an object of any size
// takes memory for its fields, not for its bytes.
namespace layouts {

// One node of an object as read through its layout.
struct Field {
  const LayoutNode* node = nullptr;
  std::uint64_t begin = 0;  // the node's bytes in the object, without the padding after it
  std::uint64_t end = 0;
  std::uint64_t paddedEnd = 0;  // after the padding that follows it, if its layout aligns there
  std::uint32_t count = 0;      // an array's elements
  // A struct's fields, or an array's elements; none for a primitive, nor for an array whose
  // elements are all of one length (they are the bytes after its count).
  std::vector<Field> children;
  // For such an array whose elements pad inside, counted from the object's start: the element's
  // layout, by which they are written again where they would pad otherwise.
  Layout paddedElement;

  // The struct's field of that name, or nothing.
  const Field* field(std::string_view name) const;
  // The array that holds the field's elements: the field itself, or for a vector or a string the
  // Array node inside it; nothing for other fields.
  const Field* array() const;
};

// The node and every node below it: the layout of that field alone, for reading it by itself.
Layout subtree(Layout layout, const LayoutNode& node);

// What a codec may set a field to: a number (a field of 1, 2, 4 or 8 bytes with no fields of its
// own), or a run of bytes (an array of single bytes, or a string or vector holding one).
bool isNumber(Layout layout, const LayoutNode& node);
bool isByteRun(Layout layout, const LayoutNode& node);

// The bytes the layout's root takes, its padding included, when they do not vary: it holds no
// array or string. Nothing otherwise.
std::optional<std::size_t> fixedLength(Layout layout);

// The object read through the layout, whose first node is the root at any level. Nothing when a count or a
// length runs past the object's bytes (checked before anything is allocated for it), when the layout is
// malformed, or when more than the padding to the next multiple of 4 is left after its last field: then the
// object is not laid out so, and writing it back would lose or shift fields.
std::optional<Field> readObject(const ByteRegion& object, Layout layout);
std::optional<Field> readObject(std::span<const std::uint8_t> object, Layout layout);

// What stands in place of a field when the object is written: the field's bytes exactly as they are
// serialized (an array's or a string's count included), without the padding after it. Those held
// come first, then those copied from a file, for a run too large to hold.
struct FieldValue {
  std::vector<std::uint8_t> held;
  std::optional<RegionSlice> copied;
};
// The values by the field as read (names may hold any character, so paths of names could collide).
using FieldValues = std::map<const Field*, FieldValue>;

// Writes the object read as root from original at the stream's position, each field of values
// replaced and every other one copied as it stood, with padding wherever the layout aligns counted
// from the object's start: the original's padding bytes after a field that stands where it stood,
// zeros after one that moved or changed; the padding after the last field only when padEnd is set.
// False when a region the bytes come from could not be read (what was written is then incomplete).
bool writeObject(AssetStream& stream, const ByteRegion& original, const Field& root,
                 const FieldValues& values, bool padEnd = true);

}  // namespace layouts
