#pragma once

#include <cstdint>

// What each serialized-file format version changes in the layout. Readers and writers ask these,
// never the bare numbers.
namespace format {

// The metadata, not the header, is stored most significant byte first.
constexpr bool hasBigEndianMetadata(std::int32_t version) {
  return version < 5;
}
// The engine version text and target platform open the metadata; the old type list ends with an
// extra 32-bit word.
constexpr bool hasEngineVersion(std::int32_t version) {
  return version >= 7;
}
// 20-byte header (endianness and reserved bytes) followed by the metadata. Older files have a
// 16-byte header and keep the metadata at the end of the file.
constexpr bool hasMetadataAfterHeader(std::int32_t version) {
  return version >= 9;
}
// Only files with the metadata after the header can be rewritten in place.
constexpr bool isWritable(std::int32_t version) {
  return hasMetadataAfterHeader(version);
}
// The newest format laid out as described here. Later ones change the object table and the type
// list, and from 22 on the header too (the version word stays at offset 8), so they are not read
// past the header.
inline constexpr std::int32_t kNewestKnown = 15;
constexpr bool isKnown(std::int32_t version) {
  return version <= kNewestKnown;
}
// Type list of class IDs and hashes instead of recursive type trees.
constexpr bool hasHashedTypeList(std::int32_t version) {
  return version >= 14;
}
// 64-bit path IDs in an object table that starts on a multiple of 4.
constexpr bool hasLargePathIds(std::int32_t version) {
  return version >= 14;
}
// A 32-bit word closes every object table entry.
constexpr bool hasStrippedWord(std::int32_t version) {
  return version >= 15;
}

}  // namespace format
