#pragma once

#include <string>

#include "app/CommandLine.h"

// Rebuilds the asset file at the path in place from its unpacked folder.
void runRepack(const std::wstring& assetPath, const LinePrinter& print);
