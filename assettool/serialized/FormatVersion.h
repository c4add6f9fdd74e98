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
// The formats read here. 16 and 18 were written only by alpha releases (readers disagree on the
// type entries of 16); 24 and later put data that no type tree describes inside objects. The
// version word stays at offset 8 in every header, so any format is known from there.
inline constexpr std::int32_t kNewestKnown = 23;
constexpr bool isKnown(std::int32_t version) {
  return version <= 15 || version == 17 || (version >= 19 && version <= kNewestKnown);
}
// MonoBehaviour files are named by the negative type ID of their object entry; later formats hold
// a type index there, which changes with the types a build holds.
constexpr bool namesScriptsByTypeId(std::int32_t version) {
  return version < 16;
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
  return version >= 15 && version < 16;
}
// The object entry holds an index into the type list, which gives the class ID; each entry starts
// on a multiple of 4. Type entries carry a stripped flag.
constexpr bool hasTypeIndex(std::int32_t version) {
  return version >= 16;
}
// Type entries carry the index of their script type; the script hash belongs to MonoBehaviour
// (class 114), where before it belonged to negative class IDs.
constexpr bool hasScriptTypeIndexInTypes(std::int32_t version) {
  return version >= 17;
}
// Type tree nodes of 32 bytes, ending in a 64-bit hash of the referenced type.
constexpr bool hasRefTypeHashInNodes(std::int32_t version) {
  return version >= 19;
}
// A second type list, of the types that references name, follows the externals.
constexpr bool hasRefTypes(std::int32_t version) {
  return version >= 20;
}
// Each type tree is followed by its dependencies (or, in the reference list, three names).
constexpr bool hasTypeDependencies(std::int32_t version) {
  return version >= 21;
}
// A 48-byte header with 64-bit file size and data offset, and 64-bit byte starts: files past 4 GiB.
constexpr bool hasLargeFilesSupport(std::int32_t version) {
  return version >= 22;
}
// Appended objects start on multiples of 16 from the data offset in the formats whose engine
// writes them so; before, on multiples of 4.
constexpr std::int64_t objectAlignment(std::int32_t version) {
  return hasLargeFilesSupport(version) ? 16 : 4;
}
// Type trees are stored in a way no reader here describes.
constexpr bool hasUnreadableTypeTrees(std::int32_t version) {
  return version >= 23;
}
// The tail of the metadata after the object table is read to its end, and must end there.
constexpr bool hasCheckedMetadataTail(std::int32_t version) {
  return version >= 17;
}

}  // namespace format
