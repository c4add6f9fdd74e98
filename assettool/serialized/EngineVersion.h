#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "serialized/FormatVersion.h"

// What each engine release changes in the object data of the handled classes. The layout of an
// object follows the major and minor number of the engine version text that opens the metadata
// ("5.2.3f1"); records ask these, never the bare numbers.
namespace engine {

struct Version {
  int major = 0;
  int minor = 0;
};

// The major and minor number that open the text, or nothing when it does not start "major.minor"
// followed by the end, a dot or a letter.
std::optional<Version> parseVersion(std::string_view text);

constexpr bool atLeast(Version version, int major, int minor) {
  return version.major > major || (version.major == major && version.minor >= minor);
}
constexpr bool isBetween(Version version, Version first, Version last) {
  return atLeast(version, first.major, first.minor) && !atLeast(version, last.major, last.minor + 1);
}

// Releases whose object data qmx knows; the first ones before 4.0 lay Font out differently, and
// 5.5 on come with serialized formats qmx refuses anyway.
constexpr Version kFirstTextAssetLayout{3, 4};
constexpr Version kFirstTextureLayout{3, 5};
constexpr Version kFirstFontLayout{4, 0};
constexpr Version kLastKnownLayout{5, 4};

// Texture2D: an int32 count of mip levels, where earlier releases have one bool for a full chain.
constexpr bool hasMipCount(Version version) {
  return atLeast(version, 5, 2);
}
// Texture2D: pixels that may lie in a resource file beside the asset file (offset, size, path).
constexpr bool hasStreamData(Version version) {
  return atLeast(version, 5, 3);
}
// Font: a descent after the ascent.
constexpr bool hasFontDescent(Version version) {
  return atLeast(version, 5, 4);
}
// Font: the 5.x releases store references (PPtrs) with 64-bit path IDs, the 4.x releases with
// 32-bit ones; each comes only in the serialized formats of its own path IDs.
constexpr bool fontMatchesFormat(Version version, std::int32_t formatVersion) {
  return format::hasLargePathIds(formatVersion) == atLeast(version, 5, 0);
}

constexpr bool hasKnownTextureLayout(Version version) {
  return isBetween(version, kFirstTextureLayout, kLastKnownLayout);
}
constexpr bool hasKnownFontLayout(Version version, std::int32_t formatVersion) {
  return isBetween(version, kFirstFontLayout, kLastKnownLayout) && fontMatchesFormat(version, formatVersion);
}
constexpr bool hasKnownTextAssetLayout(Version version) {
  return isBetween(version, kFirstTextAssetLayout, kLastKnownLayout);
}

}  // namespace engine
