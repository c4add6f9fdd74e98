#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "layouts/ObjectLayouts.h"
#include "support/Files.h"

// Object data written from a layout of the engine's table, field by field, independently of
// qmx's walker: what a release's engine writes for the values given.
namespace testsupport {

// Values by path below the object ("m_Name", "m_StreamData.offset"): numbers, written
// little-endian in their field's size, and fields given as serialized (a string, a vector or an
// array as its count and elements: use counted()). A field without a value is written as zeros, an
// empty array or string, or a struct of such fields; a value whose field the layout lacks is left
// out, so that one set of values fits every release.
struct LayoutValues {
  std::map<std::string, std::int64_t, std::less<>> numbers;
  std::map<std::string, Bytes, std::less<>> serialized;
};

Bytes counted(const Bytes& elements, std::size_t elementLength = 1);
Bytes counted(std::string_view text);

// Padding is counted from the object's start and follows a field whose node says so, or a string
// or vector whose array says so; the padding after the object's last field is left off when
// padEnd is false.
Bytes layoutObject(layouts::Layout layout, const LayoutValues& values, bool padEnd = true);

}  // namespace testsupport
