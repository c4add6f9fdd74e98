#include "app/ClassIdTable.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/Platform.h"

namespace {

bool isSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Every tab ends a field; what follows the last tab is a field only when it is not empty.
std::vector<std::string_view> tabFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t tab = 0;
  while ((tab = line.find('\t')) != std::string_view::npos) {
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  if (!line.empty()) fields.push_back(line);
  return fields;
}

// As the C library reads a decimal number: blanks, a sign, digits up to the first non-digit.
std::int32_t leadingNumber(std::string_view field) {
  return static_cast<std::int32_t>(std::strtol(std::string(field).c_str(), nullptr, 10));
}

}  // namespace

void ClassIdTable::build(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    addLine(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  entries_.emplace(-1, kUnknown);
}

void ClassIdTable::addLine(std::string_view line) {
  if (line.starts_with('#') || line.starts_with("//")) return;
  line = trimmed(line);
  if (line.empty()) return;
  const std::vector<std::string_view> fields = tabFields(line);
  if (fields.size() != 2) return;
  entries_.emplace(leadingNumber(fields[0]), platform::toWide(fields[1]));
}

std::wstring ClassIdTable::className(std::int32_t classId) const {
  const auto found = entries_.find(classId);
  return found != entries_.end() ? found->second : std::wstring(kUnknown);
}
