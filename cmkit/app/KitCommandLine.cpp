#include "app/KitCommandLine.h"

namespace {

KitCommand parseExport(std::vector<std::wstring> rest) {
  ExportOptions options;
  std::erase_if(rest, [&options](const std::wstring& argument) {
    if (argument != L"--force") return false;
    options.force = true;
    return true;
  });
  if (rest.empty() || rest.size() > 2) return ShowUsage{};
  options.assetPath = rest[0];
  if (rest.size() == 2) options.folder = rest[1];
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
  if (command == L"check" && !rest.empty() && rest.size() <= 2) {
    return CheckOptions{rest[0], rest.size() == 2 ? std::optional(rest[1]) : std::nullopt};
  }
  return ShowUsage{};
}
