#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"

struct PackOptions {
  std::wstring patch;
  std::optional<std::wstring> output;     // cmpatch.exe in the current folder when not given
  std::optional<std::wstring> game;       // checks each unpacked folder against the game's asset file
  std::optional<std::wstring> installer;  // the kit's own cmpatch.exe, beside the program, when not given
  std::optional<std::wstring> qmx;        // the kit's own qmx.exe, beside the program, when not given
};

// cmkit pack: the installer of a patch folder, a copy of cmpatch.exe that carries the patch's
// install archive (resource DAT 218) and its uninstall archive (DAT 219). Refuses, with a line for
// each reason and nothing written, a patch that would not install. Fonts that lack characters of
// the translation are named but do not stop it. 0 when the installer was written, 1 when not.
int packInstaller(const PackOptions& options, const ClassIdTable& classes, const LinePrinter& print);
