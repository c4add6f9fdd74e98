#include "serialized/EngineVersion.h"

#include <cctype>
#include <charconv>

namespace engine {
namespace {

// A run of decimal digits at the front of the text, taken off it.
std::optional<int> takeNumber(std::string_view& text) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front()))) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return value;
}

}  // namespace

std::optional<Version> parseVersion(std::string_view text) {
  const std::optional<int> major = takeNumber(text);
  if (!major || text.empty() || text.front() != '.') return std::nullopt;
  text.remove_prefix(1);
  const std::optional<int> minor = takeNumber(text);
  if (!minor) return std::nullopt;
  if (!text.empty() && text.front() != '.' && !std::isalpha(static_cast<unsigned char>(text.front()))) {
    return std::nullopt;
  }
  return Version{*major, *minor};
}

}  // namespace engine
