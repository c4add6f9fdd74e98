#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

struct CheckOptions {
  std::wstring assetPath;
  std::optional<std::wstring> folder;  // the asset file's own unpacked folder when not given
};

// cmkit check: what qmx -i would make of the folder, without writing anything. One line per file:
// the object it replaces, or why qmx passes over it or keeps the object's data. 0 when every file
// matches and fits, 1 when something would be passed over or refused, 2 when the asset file
// cannot be read.
int checkFolder(const CheckOptions& options, const ClassIdTable& classes, const LinePrinter& print);
