#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "serialized/ReadContext.h"
#include "serialized/TypeTree.h"
#include "stream/AssetStream.h"

// One type of the type list.
struct TypeEntry {
  std::int32_t classId = 0;
  AssetStream::Hash128 scriptId{};    // script types of hashed type lists only
  AssetStream::Hash128 typeHash{};    // hashed type lists only
  bool isStripped = false;            // format 16 on
  std::int16_t scriptTypeIndex = -1;  // format 17 on: the entry of the script types, or -1
  ReadContext context;
  // The layout of the type's objects, where the file carries type trees and this one forms a tree.
  type_tree::SharedLayout tree;

  // The entry of a hashed type list, class ID included.
  void read(AssetStream& stream);
  void write(AssetStream& stream) const;
  // The entry of the type lists from format 16, a type tree included where the file carries them.
  // False when its counts cannot fit in the bytes that remain.
  bool readIndexed(AssetStream& stream, bool withTree, bool isReference);
  // The blob tree that follows the entry where the file carries type trees.
  bool readBlobTree(AssetStream& stream);
};

// The types used in a serialized file, keyed by class ID in signed order, with the type trees the
// file carries. The list is written back in exactly as many bytes; a list with type trees is
// stepped over as it stands.
class TypeList {
 public:
  std::map<std::int32_t, TypeEntry> entries;  // the lists before format 16
  std::vector<TypeEntry> byIndex;             // from format 16, in file order: objects name an index
  bool hasTypeTrees = false;

  // Reads the list in the layout of the context's format version, leaving the stream at the
  // object table. The lists of format 23 on that announce type trees stop after the flag (their
  // trees are stored in a way not read here). False when the list cannot be a type list: counts
  // that the remaining bytes cannot hold, negative child counts, or a hashed list that repeats a
  // class ID (it could not be written back in the same length).
  bool read(AssetStream& stream, const ReadContext& context);
  // Hashed lists without trees are written out in map order; lists with trees are stepped over.
  void write(AssetStream& stream, const ReadContext& context) const;

 private:
  bool readHashed(AssetStream& stream, const ReadContext& context);
  bool readIndexed(AssetStream& stream, const ReadContext& context);
  bool readTrees(AssetStream& stream, const ReadContext& context);
  void writeHashed(AssetStream& stream) const;
};
