#include "app/KitCommandLine.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

// The arguments that are not options, with the options' values taken out; nothing when an option
// lacks its value, is given twice or is unknown.
struct Split {
  std::vector<std::wstring> operands;
  std::map<std::wstring, std::wstring> values;
  bool force = false;
};

std::optional<Split> split(const std::vector<std::wstring>& arguments,
                           std::initializer_list<std::wstring_view> valued, bool takesForce) {
  Split result;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (takesForce && argument == L"--force") {
      result.force = true;
    } else if (std::find(valued.begin(), valued.end(), argument) != valued.end()) {
      if (i + 1 == arguments.size() || result.values.contains(argument)) return std::nullopt;
      result.values[argument] = arguments[++i];
    } else if (argument.starts_with(L"-") && argument.size() > 1) {
      return std::nullopt;
    } else {
      result.operands.push_back(argument);
    }
  }
  return result;
}

std::optional<std::wstring> valueOf(const Split& split, const std::wstring& option) {
  const auto found = split.values.find(option);
  return found == split.values.end() ? std::nullopt : std::optional(found->second);
}

KitCommand parseExport(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {}, true);
  if (!parts || parts->operands.empty() || parts->operands.size() > 2) return ShowUsage{};
  ExportOptions options;
  options.assetPath = parts->operands[0];
  if (parts->operands.size() == 2) options.folder = parts->operands[1];
  options.force = parts->force;
  return options;
}

KitCommand parseCheck(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {L"--text"}, false);
  if (!parts || parts->operands.empty() || parts->operands.size() > 2) return ShowUsage{};
  CheckOptions options;
  options.assetPath = parts->operands[0];
  if (parts->operands.size() == 2) options.folder = parts->operands[1];
  options.text = valueOf(*parts, L"--text");
  return options;
}

KitCommand parsePack(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {L"-o", L"--game", L"--cmpatch", L"--qmx"}, false);
  if (!parts || parts->operands.size() != 1) return ShowUsage{};
  PackOptions options;
  options.patch = parts->operands[0];
  options.output = valueOf(*parts, L"-o");
  options.game = valueOf(*parts, L"--game");
  options.installer = valueOf(*parts, L"--cmpatch");
  options.qmx = valueOf(*parts, L"--qmx");
  return options;
}

}  // namespace

KitCommand parseKitArguments(const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return ShowUsage{};
  const std::wstring& command = arguments[0];
  if (command == L"--help" || command == L"-h") return ShowUsage{true};
  const std::vector<std::wstring> rest(arguments.begin() + 1, arguments.end());
  if (command == L"list" && rest.size() == 1) return ListCommand{rest[0]};
  if (command == L"export") return parseExport(rest);
  if (command == L"check") return parseCheck(rest);
  if (command == L"pack") return parsePack(rest);
  return ShowUsage{};
}
