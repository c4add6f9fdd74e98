#pragma once

#include <string>

#include "TextureDecode.h"

namespace game {

// Writes the picture as a 32-bit uncompressed bitmap file (rows bottom first, as most readers
// expect), alpha bytes as they are. False when the file cannot be written whole.
bool writeBmpFile(const std::wstring& path, const Picture& picture);

}  // namespace game
