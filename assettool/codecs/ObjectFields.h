#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "stream/AssetStream.h"

// Fields shared by the records of object data: length-prefixed byte runs and counted arrays. Object
// data is little-endian; a record that breaks these rules is not parsed at all.
namespace fields {

using Bytes = std::vector<std::uint8_t>;

// A 32-bit length, then that many bytes; nothing when the length is negative or runs past the data.
std::optional<Bytes> readSized(AssetStream& stream);
void writeSized(AssetStream& stream, const Bytes& bytes);

// A 32-bit count of items of itemSize bytes, then the items as they stand, count included.
std::optional<Bytes> readCountedBlock(AssetStream& stream, std::uint32_t itemSize);

// Kept words, read and written back as their bytes.
template <std::size_t N>
std::array<std::int32_t, N> readWords(AssetStream& stream) {
  std::array<std::int32_t, N> words{};
  for (std::int32_t& word : words) word = stream.readInt32();
  return words;
}
template <std::size_t N>
void writeWords(AssetStream& stream, const std::array<std::int32_t, N>& words) {
  for (std::int32_t word : words) stream.writeInt32(word);
}

// Zero bytes up to the next multiple of 4, for padding that ends an object at the end of the file.
void writeZeroPadding(AssetStream& stream);

// Whether a record read to its last field has read its object: what is left of the object's bytes
// is at most the padding to the next multiple of 4. Anything more means the object is not laid out
// as the record was read, and rewriting it would lose or shift fields.
bool endsObject(const AssetStream& stream);

// A reference to another object (PPtr): a file index and a path ID of 32 or, from the formats with
// 64-bit path IDs on, 64 bits. Kept as its bytes.
std::uint32_t referenceLength(std::int32_t formatVersion);

}  // namespace fields
