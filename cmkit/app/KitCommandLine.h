#pragma once

#include <string>
#include <variant>
#include <vector>

#include "commands/CheckCommand.h"
#include "commands/EncodeCommand.h"
#include "commands/ExportCommand.h"
#include "commands/FontCommand.h"
#include "commands/PackCommand.h"

// What the arguments (the program name left out) ask of cmkit.
struct ShowUsage {
  bool asked = false;  // --help, rather than arguments that make no command
};
struct ListCommand {
  std::wstring assetPath;
};
using KitCommand = std::variant<ShowUsage, ListCommand, ExportOptions, CheckOptions, EncodeOptions,
                                FontOptions, PackOptions>;

KitCommand parseKitArguments(const std::vector<std::wstring>& arguments);
