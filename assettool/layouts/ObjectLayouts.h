#pragma once

#include <compare>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How the engine lays out the object data of the handled classes, release by release: the engine's
// own type trees, kept as a generated table (GeneratedLayouts.inc).
namespace layouts {

// One node of a type tree, in depth-first order: the class itself at level 0, its fields below.
struct LayoutNode {
  int level;
  const char* type;
  const char* name;
  std::int32_t byteSize;  // -1 for a variable size
  bool isArray;           // its children: the int32 count, then the element named "data"
  bool alignAfter;        // the position moves on to a multiple of 4 after it
};
using Layout = std::span<const LayoutNode>;

// A layout read from a file's own type tree. Its nodes point into its names, so it is made whole
// once and then shared, never copied.
struct OwnedLayout {
  std::deque<std::string> names;  // a deque keeps each name where it is as more are added
  std::vector<LayoutNode> nodes;

  // The engine's classes nest a few levels deep; the walker follows a tree's depth, so a deeper one
  // is no engine's and is not read.
  static constexpr int kDeepestLevel = 64;

  // Whether the nodes form one tree as the walker reads it: the root at level 0, every other node
  // at most one level below the node before it, below the root and at most kDeepestLevel deep.
  bool isTree() const;
};

// An engine release as its whole version text names it: "2019.3.0f5", "5.6.3p1", "3.4.0" (final),
// "2020.3.0f1c1" (a China release, laid out as the release it follows). Releases order as the
// engine made them: alphas, betas, release candidates, finals, then patches of one version.
struct Release {
  int major = 0;
  int minor = 0;
  int patch = 0;
  int stage = 0;  // alpha, beta, candidate, final, patch
  int build = 0;

  auto operator<=>(const Release&) const = default;
  bool isPrerelease() const;
};

// Nothing when the text does not name a release: empty, stripped ("0.0.0"), or not of the form
// major.minor.patch with an optional letter and build.
std::optional<Release> parseRelease(std::string_view text);

// The layout of the class's objects in the release: that of the newest dumped release at or before
// it within the same major.minor (the engine changes layouts at patch releases too, and only the
// dumps say where). Nothing for a class not in the table, a text that names no release, a release
// newer than the newest dumped one or older than the first of its minor, and an alpha or beta that
// was not dumped itself, whose layout nothing vouches for.
std::optional<Layout> layoutFor(std::int32_t classId, std::string_view versionText);

// Every dumped release's version text, in release order.
std::vector<std::string_view> dumpedVersions();

}  // namespace layouts
