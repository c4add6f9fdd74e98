#pragma once

#include <cstdint>
#include <map>

#include "serialized/ReadContext.h"

class AssetStream;

// One entry of the object table: where an object's data lies and what it is.
struct ObjectInfo {
  std::int64_t pathId = 0;
  std::uint64_t byteStart = 0;  // counted from the header's dataOffset; 64 bits from format 22
  std::uint32_t byteSize = 0;
  std::int32_t typeId = 0;   // from format 16 the index of the object's type in the type list
  std::int32_t classId = 0;  // stored as 16 bits; from format 16 the type's
  std::uint16_t scriptTypeIndex = 0;
  std::int32_t strippedWord = 0;
  std::int64_t entryOffset = 0;  // where the entry lies in the file, from format 16
  ReadContext context;

  // Bytes one entry takes in the file.
  static std::uint32_t byteLength(std::int32_t formatVersion);

  void read(AssetStream& stream);
  void write(AssetStream& stream) const;
};

// The objects of a file keyed by path ID in unsigned order, so negative path IDs come last.
class ObjectTable {
 public:
  using Entries = std::map<std::uint64_t, ObjectInfo>;

  static std::uint64_t keyOf(std::int64_t pathId) { return static_cast<std::uint64_t>(pathId); }

  // False when the count cannot fit in the remaining bytes or a path ID repeats (the table could
  // not be written back in the same length). The first entry of a repeated path ID is kept.
  bool read(AssetStream& stream, const ReadContext& context);
  // Count, then the entries in key order.
  void write(AssetStream& stream) const;
  // Each entry where it was read, from format 16: nothing else of the metadata moves.
  void writeInPlace(AssetStream& stream) const;

  Entries& entries() { return entries_; }
  const Entries& entries() const { return entries_; }

 private:
  Entries entries_;
  ReadContext context_;
};
