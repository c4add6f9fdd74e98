#pragma once

#include <cstdint>

#include "serialized/ReadContext.h"
#include "serialized/TypeList.h"

class AssetStream;

// The start of the metadata block: engine version, target platform and the type list.
struct SerializedMetadata {
  ReadContext context;
  std::int32_t targetPlatform = 0;
  TypeList types;

  // Reads from the metadata's start up to the object table. False when the engine version has no
  // end within its limit (it could not be written back in place) or the type list is damaged.
  bool read(AssetStream& stream);
  void write(AssetStream& stream) const;
  // What follows the object table in the formats that name their types by index: script types,
  // externals, the types of references and the user information. Read to get past it; false
  // when its counts cannot fit in the bytes that remain.
  bool readTail(AssetStream& stream) const;
};
