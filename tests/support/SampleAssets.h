#pragma once

#include "support/SerializedFileBuilder.h"

namespace testsupport {

// A small asset file of the given format version: a few types, objects with names, a negative path
// ID, a 64-bit path ID where the version has them, and bytes after the object table.
AssetDescription sampleAsset(std::int32_t formatVersion);

}  // namespace testsupport
