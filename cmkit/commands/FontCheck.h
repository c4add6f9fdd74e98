#pragma once

#include <string>

#include "app/CommandLine.h"
#include "text/TranslationText.h"

// The characters of the translation: those of every .txt and .xml file at the path, a file or a
// folder with the folders in it. A text file that is neither UTF-8 nor UTF-16 is named and left out.
translation::Characters translationCharacters(const std::wstring& path, const LinePrinter& print);

// Checks every replacement font (.ttf) below the folder against the characters, which would show
// as boxes where a font has no glyph: one line for each font that lacks some, naming them, or that
// cannot be read. A font is named by its path in the folder, after the folder's shown name if there is
// one. Returns the number of such fonts.
int checkFonts(const std::wstring& folder, const std::wstring& shownFolder,
               const translation::Characters& characters, const LinePrinter& print);
