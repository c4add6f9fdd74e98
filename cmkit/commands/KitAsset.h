#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"
#include "app/ReplacementNames.h"
#include "codecs/LayoutSource.h"
#include "serialized/SerializedFile.h"

// An asset file as the kit reads it: loaded for reading only.
struct KitAsset {
  SerializedFile file;

  // Prints why when the file cannot be read, and returns false.
  bool load(const std::wstring& path, const LinePrinter& print);
  // The layout of the object's data, or nothing when none is known for it (see objectLayout).
  std::optional<fields::ObjectLayout> layoutOf(const ObjectInfo& info) const {
    return objectLayout(file, info);
  }
  // Every object in the table's order, with where qmx looks for its replacement in the folder.
  template <typename Visit>
  void forEachObject(const ClassIdTable& classes, UnpackFolder& folder, const Visit& visit) {
    ReplacementNames names(file, classes, folder);
    for (const auto& [key, info] : file.objects().entries()) visit(names.next(info), info);
  }
};

// The folder given, or the asset file's own unpacked folder.
UnpackFolder unpackFolderFor(const std::wstring& assetPath, const std::optional<std::wstring>& folder);

// Why qmx will never take a replacement for the object, or nothing when it looks for one; for a
// named object, also when its file name could not be held on Windows.
std::optional<std::wstring_view> whyNoReplacement(const ReplacementName& replacement,
                                                  const UnpackFolder& folder);

// Where a texture's picture stands for the kit: its DDS file's path with .png in place of .dds.
std::wstring picturePath(const std::wstring& ddsPath);

// "<class> <name> (PathID n)", as qmx names an object.
std::wstring describe(const ReplacementName& replacement, const ObjectInfo& info);
