#pragma once

#include "support/SerializedFileBuilder.h"

namespace testsupport {

// A small asset file of the given format version: a few types, objects with names, a negative path
// ID, a 64-bit path ID where the version has them, and bytes after the object table.
AssetDescription sampleAsset(std::int32_t formatVersion);

// The file's bytes with another number in the header's version word (big-endian, offset 8).
Bytes withVersionWord(Bytes bytes, std::int32_t formatVersion);

// The format-15 sample behind a header of format 22: the old 32-bit words zero but for the version,
// then the metadata size and 64-bit file size and data offset, and a 64-bit word after them.
Bytes format22Sample();

}  // namespace testsupport
