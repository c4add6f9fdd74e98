#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

struct ExportOptions {
  std::wstring assetPath;
  std::optional<std::wstring> folder;  // the asset file's own unpacked folder when not given
  bool force = false;                  // write into a folder that is not empty
  bool png = false;                    // textures as pictures to edit (Texture2D/<name>.png)
};

// cmkit export: one replacement file per handled object, named as qmx looks for it and holding
// what qmx turns back into the object as it is. 0 when every handled object was written, 1 when
// some were not (a line says why for each), 2 when the asset file cannot be read or the folder is
// refused.
int exportObjects(const ExportOptions& options, const ClassIdTable& classes, const LinePrinter& print);
