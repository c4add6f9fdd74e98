#pragma once

#include "support/SerializedFileBuilder.h"

namespace testsupport {

// A small asset file of the given format version: a few types, objects with names, a negative path
// ID, a 64-bit path ID where the version has them, and bytes after the object table. From format 17
// objects name their types by index (2 for Texture2D, 1 and 4 for MonoBehaviour), of a 2019.4.9
// release.
AssetDescription sampleAsset(std::int32_t formatVersion);

// The file's bytes with another number in the header's version word (big-endian, offset 8).
Bytes withVersionWord(Bytes bytes, std::int32_t formatVersion);

}  // namespace testsupport
