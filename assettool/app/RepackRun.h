#pragma once

#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

// Rebuilds the asset file at the path in place from its unpacked folder.
void runRepack(const std::wstring& assetPath, const ClassIdTable& classes, const LinePrinter& print);
