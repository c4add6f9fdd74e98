#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RunMode { Unpack, Repack };

struct RunOptions {
  std::wstring assetPath;
  RunMode mode = RunMode::Unpack;
  bool valid = true;
};

// Reads the mode number that a single argument leaves to standard input; nothing if the input
// does not start with a number.
using ModeNumberReader = std::function<std::optional<long>()>;
using LinePrinter = std::function<void(std::wstring_view)>;

// The arguments without the program name: "-i FILE", "-o FILE" (any letter case), or "FILE" with
// 1 (unpack) or 2 (repack) on standard input.
RunOptions parseArguments(const std::vector<std::wstring>& arguments, const ModeNumberReader& readModeNumber,
                          const LinePrinter& print);

// One decimal integer from standard input.
std::optional<long> readModeNumberFromInput();
