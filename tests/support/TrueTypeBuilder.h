#pragma once

#include <string>
#include <vector>

#include "support/Files.h"

namespace testsupport {

// A minimal TrueType font, written in code, that maps exactly the given characters (Unicode scalar
// values, in any order, repeats ignored) each to a square glyph of its own, with the tables that
// FreeType and Windows' font loader both require. The character map is a BMP one (format 4), with a
// full one (format 12) beside it when a character lies beyond the BMP. The family name is ASCII.
// Throws std::invalid_argument for what a TrueType font cannot hold: more than 65534 characters, a
// surrogate or a value past U+10FFFF, or BMP characters in so many separate runs that the BMP map
// would pass its 64 KiB.
Bytes trueTypeFont(const std::u32string& characters, const std::string& familyName = "Planted");

// A TrueType collection of fonts that trueTypeFont made, in that order.
Bytes trueTypeCollection(const std::vector<Bytes>& fonts);

}  // namespace testsupport
