#pragma once

#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

// cmkit list: one line per object, in the table's order: path ID, class, name, byte size, and the
// replacement file qmx looks for, or why it looks for none. 0, or 2 when the file cannot be read.
int listObjects(const std::wstring& assetPath, const ClassIdTable& classes, const LinePrinter& print);
