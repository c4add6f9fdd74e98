#pragma once

#include <cstdint>
#include <memory>

#include "layouts/ObjectLayouts.h"
#include "stream/AssetStream.h"

// The type trees a file may carry for its types: the layout of each type's objects as the engine
// that wrote the file describes it. Read into the layouts the walker reads objects by.
namespace type_tree {

using SharedLayout = std::shared_ptr<const layouts::OwnedLayout>;

// The recursive trees of the formats before 14: each node with its names, then its children.
// Nothing when the tree runs past the stream or counts more nodes than its bytes can hold.
std::optional<SharedLayout> readRecursive(AssetStream& stream);

// The trees stored as a blob, from format 14: node count, string-buffer size, the nodes, the
// strings. Nothing when the counts do not fit the bytes that remain. A tree that is read but does
// not form one tree (levels out of order, a name outside the strings) is an empty pointer: its
// objects are read by no layout.
std::optional<SharedLayout> readBlob(AssetStream& stream, std::int32_t formatVersion);

}  // namespace type_tree
