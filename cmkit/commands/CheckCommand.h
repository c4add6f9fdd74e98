#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

struct CheckOptions {
  std::wstring assetPath;
  std::optional<std::wstring> folder;  // the asset file's own unpacked folder when not given
  std::optional<std::wstring> text;    // the translation's text files; the folder's own when not given
};

// cmkit check: what qmx -i would make of the folder, without writing anything. One line per file:
// the object it replaces, or why qmx passes over it or keeps the object's data. Then every font
// against the translation's characters. 0 when every file matches and fits and every font has every
// character, 1 when not, 2 when the asset file cannot be read.
struct FileCheck {
  std::size_t files = 0;
  int problems = 0;
};
// The first half of check: one line per file of the folder. Nothing when the asset file cannot be
// read (a line says why).
std::optional<FileCheck> checkReplacementFiles(const std::wstring& assetPath, const std::wstring& folder,
                                               const ClassIdTable& classes, const LinePrinter& print);

int checkFolder(const CheckOptions& options, const ClassIdTable& classes, const LinePrinter& print);
