#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Files.h"

// Writes serialized asset files from a description, independently of qmx's own reader and writer,
// for any format version: the 16-byte header with the metadata at the end below 9, type trees
// below 14, hashed type lists, 64-bit path IDs and the aligned object table from 14, the extra
// object word from 15, big-endian metadata below 5; from 17 type entries that objects name by
// index (typeId is then that index), with blob type trees and the metadata's tail, and from 22
// the 48-byte header and 64-bit byte starts.
namespace testsupport {

using Hash = std::array<std::uint8_t, 16>;

struct TreeNode {
  std::string typeName = "Base";
  std::string fieldName = "Base";
  std::int32_t byteSize = -1;
  std::int32_t index = 0;
  std::int32_t isArray = 0;
  std::int32_t version = 1;
  std::int32_t metaFlags = 0;
  std::vector<TreeNode> children;
};

struct TypeDescription {
  std::int32_t classId = 0;
  Hash scriptId{};  // written for negative class IDs of hashed lists
  Hash typeHash{};  // hashed lists only
  TreeNode tree;    // where trees are written; left as is, the engine's tree of a handled class
                    // from the table for the file's release
  Bytes rawTree;    // when not empty, written instead of tree (hostile or huge trees)
  std::int16_t scriptTypeIndex = -1;  // format 17 on
};

struct ObjectDescription {
  std::int64_t pathId = 0;
  std::int32_t typeId = 0;
  std::int16_t classId = 0;
  std::uint16_t scriptTypeIndex = 0xFFFF;
  std::int32_t strippedWord = 0;
  Bytes data;
  // For an object too large to hold in memory: with data left empty, the size its table entry
  // gives. The builder lays it out but leaves its bytes out of the built ones, for the caller to
  // write at its byte start; such objects come last, and only from format 9 (metadata first).
  std::uint32_t unbuiltSize = 0;
};

struct AssetDescription {
  std::int32_t formatVersion = 15;
  std::string engineVersion = "5.2.3f1";
  std::int32_t targetPlatform = 5;
  std::uint8_t endianness = 0;
  std::array<std::uint8_t, 3> reserved{};
  bool hasTypeTrees = false;  // the flag of hashed lists
  std::vector<TypeDescription> types;
  std::vector<ObjectDescription> objects;  // table order and data order
  Bytes externals = {0, 0, 0, 0};          // what follows the object table in the metadata, before 17
  // From 17: what follows the object table, or when empty no script types, no externals, no
  // reference types and no user information.
  Bytes metadataTail;
  std::uint32_t dataAlignment = 16;
  std::uint32_t objectAlignment = 8;  // of each object's byte start, counted from the data offset
};

// Where the builder put things, for tests to look at.
struct BuiltAsset {
  Bytes bytes;
  std::uint32_t dataOffset = 0;
  std::size_t metadataStart = 0;
  std::size_t typeListStart = 0;
  std::size_t objectTableStart = 0;  // the object count
  std::size_t metadataEnd = 0;
  std::vector<std::uint32_t> byteStarts;  // per object, in description order
  std::uint64_t fileLength = 0;           // the header's: bytes' size plus the unbuilt objects
};

// Throws std::invalid_argument for unbuilt objects below format 9, std::length_error for objects
// that reach past 4 GiB from the data offset.
BuiltAsset buildAsset(const AssetDescription& description);

// A type tree of one node with the given number of leaf children.
TreeNode treeWithLeaves(int leaves);

// Little-endian helpers for object data.
void appendInt32(Bytes& bytes, std::int32_t value);
void appendInt64(Bytes& bytes, std::int64_t value);
void appendString(Bytes& bytes, std::string_view text);  // 32-bit length, then the bytes

}  // namespace testsupport
