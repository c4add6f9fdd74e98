#include "layouts/ObjectLayouts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace layouts {
namespace {

struct ClassLayouts {
  std::int32_t classId;
  std::span<const Layout> layouts;
};

constexpr std::size_t kTableClasses = 3;

struct DumpedRelease {
  std::string_view version;
  std::array<std::uint8_t, kTableClasses> layout;  // per class, in the order of kClassLayouts
};

#include "layouts/GeneratedLayouts.inc"

enum Stage { kAlpha, kBeta, kCandidate, kFinal, kPatch };

std::optional<int> stageOf(std::string_view letters) {
  if (letters == "a") return kAlpha;
  if (letters == "b") return kBeta;
  if (letters == "rc") return kCandidate;
  if (letters == "f" || letters.empty()) return kFinal;
  if (letters == "p") return kPatch;
  return std::nullopt;
}

// Reads a run of digits; false when there is none or it does not fit an int.
bool readNumber(std::string_view& text, int& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

bool readDot(std::string_view& text) {
  if (text.empty() || text.front() != '.') return false;
  text.remove_prefix(1);
  return true;
}

std::string_view readLetters(std::string_view& text) {
  std::size_t length = 0;
  while (length < text.size() && text[length] >= 'a' && text[length] <= 'z') ++length;
  const std::string_view letters = text.substr(0, length);
  text.remove_prefix(length);
  return letters;
}

const ClassLayouts* classLayouts(std::int32_t classId) {
  const auto found = std::find_if(std::begin(kClassLayouts), std::end(kClassLayouts),
                                  [classId](const ClassLayouts& entry) { return entry.classId == classId; });
  return found == std::end(kClassLayouts) ? nullptr : found;
}

// The dumped releases, parsed once; they are in release order.
const std::vector<Release>& dumpedReleases() {
  static const std::vector<Release> releases = [] {
    std::vector<Release> parsed;
    for (const DumpedRelease& dumped : kDumpedReleases) parsed.push_back(*parseRelease(dumped.version));
    return parsed;
  }();
  return releases;
}

}  // namespace

bool OwnedLayout::isTree() const {
  if (nodes.empty() || nodes.front().level != 0) return false;
  for (std::size_t i = 1; i < nodes.size(); ++i) {
    const int level = nodes[i].level;
    if (level < 1 || level > nodes[i - 1].level + 1 || level > kDeepestLevel) return false;
  }
  return true;
}

bool Release::isPrerelease() const {
  return stage < kCandidate;
}

std::optional<Release> parseRelease(std::string_view text) {
  Release release;
  if (!readNumber(text, release.major) || !readDot(text) || !readNumber(text, release.minor) ||
      !readDot(text) || !readNumber(text, release.patch)) {
    return std::nullopt;
  }
  const std::optional<int> stage = stageOf(readLetters(text));
  if (!stage) return std::nullopt;
  release.stage = *stage;
  if (!text.empty() && !readNumber(text, release.build)) return std::nullopt;
  // A China release ("f1c1") is laid out as the release it follows.
  if (const std::string_view suffix = readLetters(text); !suffix.empty()) {
    int china = 0;
    if (suffix != "c" || !readNumber(text, china)) return std::nullopt;
  }
  if (!text.empty() || release.major == 0) return std::nullopt;
  return release;
}

std::optional<Layout> layoutFor(std::int32_t classId, std::string_view versionText) {
  const ClassLayouts* layouts = classLayouts(classId);
  const std::optional<Release> release = parseRelease(versionText);
  if (layouts == nullptr || !release) return std::nullopt;
  const std::vector<Release>& dumped = dumpedReleases();
  if (*release > dumped.back()) return std::nullopt;
  // The newest dumped release at or before this one.
  const auto after = std::upper_bound(dumped.begin(), dumped.end(), *release);
  if (after == dumped.begin()) return std::nullopt;
  const Release& floor = *(after - 1);
  if (floor.major != release->major || floor.minor != release->minor) return std::nullopt;
  if (release->isPrerelease() && floor != *release) return std::nullopt;
  const auto row = static_cast<std::size_t>(after - 1 - dumped.begin());
  const auto column = static_cast<std::size_t>(layouts - std::begin(kClassLayouts));
  return layouts->layouts[kDumpedReleases[row].layout[column]];
}

std::vector<std::string_view> dumpedVersions() {
  std::vector<std::string_view> versions;
  for (const DumpedRelease& dumped : kDumpedReleases) versions.push_back(dumped.version);
  return versions;
}

}  // namespace layouts
