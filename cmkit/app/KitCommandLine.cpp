#include "app/KitCommandLine.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

// The arguments that are not options, with the options' values taken out; nothing when an option
// lacks its value, is given twice or is unknown.
struct Split {
  std::vector<std::wstring> operands;
  std::map<std::wstring, std::wstring> values;
  std::set<std::wstring> flags;
};

std::optional<Split> split(const std::vector<std::wstring>& arguments,
                           std::initializer_list<std::wstring_view> valued,
                           std::initializer_list<std::wstring_view> flags = {}) {
  Split result;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& argument = arguments[i];
    if (std::find(flags.begin(), flags.end(), argument) != flags.end()) {
      result.flags.insert(argument);
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
  const std::optional<Split> parts = split(rest, {}, {L"--force", L"--png"});
  if (!parts || parts->operands.empty() || parts->operands.size() > 2) return ShowUsage{};
  ExportOptions options;
  options.assetPath = parts->operands[0];
  if (parts->operands.size() == 2) options.folder = parts->operands[1];
  options.force = parts->flags.contains(L"--force");
  options.png = parts->flags.contains(L"--png");
  return options;
}

KitCommand parseFont(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {L"--index", L"--text", L"-o"});
  if (!parts || parts->operands.size() != 1 || !parts->values.contains(L"-o")) return ShowUsage{};
  FontOptions options;
  options.font = parts->operands[0];
  options.output = *valueOf(*parts, L"-o");
  options.text = valueOf(*parts, L"--text");
  if (const std::optional<std::wstring> index = valueOf(*parts, L"--index")) {
    const bool digits =
        !index->empty() && index->size() <= 4 &&
        std::all_of(index->begin(), index->end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    if (!digits) return ShowUsage{};
    options.index = static_cast<unsigned>(std::stoul(*index));
  }
  return options;
}

KitCommand parseEncode(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {});
  if (!parts || parts->operands.empty() || parts->operands.size() > 2) return ShowUsage{};
  EncodeOptions options;
  options.assetPath = parts->operands[0];
  if (parts->operands.size() == 2) options.folder = parts->operands[1];
  return options;
}

KitCommand parseCheck(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {L"--text"});
  if (!parts || parts->operands.empty() || parts->operands.size() > 2) return ShowUsage{};
  CheckOptions options;
  options.assetPath = parts->operands[0];
  if (parts->operands.size() == 2) options.folder = parts->operands[1];
  options.text = valueOf(*parts, L"--text");
  return options;
}

KitCommand parsePack(const std::vector<std::wstring>& rest) {
  const std::optional<Split> parts = split(rest, {L"-o", L"--game", L"--cmpatch", L"--qmx"});
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
  if (command == L"encode") return parseEncode(rest);
  if (command == L"font") return parseFont(rest);
  if (command == L"pack") return parsePack(rest);
  return ShowUsage{};
}
