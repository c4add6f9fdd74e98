#pragma once

#include <optional>

#include "codecs/ObjectFields.h"
#include "serialized/SerializedFile.h"

// Where the layout of an object comes from. A file that carries type trees describes its objects
// itself: the tree of the object's type. Any other file is laid out as its engine release lays
// out the class, by the table of every release's layouts.
//
// Nothing when the object's class has no record here, when the file's tree of its type cannot be
// read, when the release has no layout in the table (see layouts::layoutFor), or when the layout
// lacks a field the class's record reads or changes.
std::optional<fields::ObjectLayout> objectLayout(const SerializedFile& file, const ObjectInfo& info);

// The layout the table gives the class's objects in the release the version text names, with how
// that release writes them; nothing where objectLayout would give nothing for a file without trees.
std::optional<fields::ObjectLayout> releaseLayout(std::int32_t classId, std::string_view engineVersion);
