#include "app/CommandLine.h"

#include <cstdio>
#include <cwctype>

#include "app/Messages.h"

namespace {

std::wstring lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
  return text;
}

void selectModeByNumber(RunOptions& options, const ModeNumberReader& readModeNumber,
                        const LinePrinter& print) {
  const std::optional<long> number = readModeNumber();
  if (number == 1) {
    options.mode = RunMode::Unpack;
  } else if (number == 2) {
    options.mode = RunMode::Repack;
  } else {
    print(messages::kWrongModeNumber);
    options.valid = false;
  }
}

void selectModeByOption(RunOptions& options, const std::wstring& option, const LinePrinter& print) {
  const std::wstring lower = lowered(option);
  if (lower == L"-o") {
    options.mode = RunMode::Unpack;
  } else if (lower == L"-i") {
    options.mode = RunMode::Repack;
  } else {
    options.valid = false;
    print(messages::kWrongOption);
  }
}

}  // namespace

RunOptions parseArguments(const std::vector<std::wstring>& arguments, const ModeNumberReader& readModeNumber,
                          const LinePrinter& print) {
  RunOptions options;
  if (arguments.size() != 1 && arguments.size() != 2) {
    print(messages::kWrongArgumentCount);
    options.valid = false;
    return options;
  }
  options.assetPath = arguments.back();
  if (arguments.size() == 1) {
    selectModeByNumber(options, readModeNumber, print);
  } else {
    selectModeByOption(options, arguments.front(), print);
  }
  return options;
}

std::optional<long> readModeNumberFromInput() {
  long number = 0;
  if (std::scanf("%ld", &number) != 1) return std::nullopt;
  return number;
}
