#pragma once

#include <optional>
#include <string>

#include "app/CommandLine.h"

struct FontOptions {
  std::wstring font;
  unsigned index = 0;                // the face of a collection
  std::optional<std::wstring> text;  // the translation's text files, as check takes them
  std::wstring output;
};

// cmkit font: a copy of the font cut to the characters of the translation and printable ASCII, as
// one font that the engine and Windows load. Refused, with a line and nothing written, when the
// font cannot be read or the copy would lack a character of the text. 0 when written, 1 when not.
int cutFont(const FontOptions& options, const LinePrinter& print);
