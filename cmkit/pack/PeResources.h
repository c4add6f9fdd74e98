#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The resources of a Windows program, read from its image and written into a copy of it, on any
// platform: cmkit pack puts the patch's archives into cmpatch.exe this way, without the Windows
// resource-update calls.
namespace pe {

// A resource type or name: a number, or a name (when name is not empty; id is then ignored).
struct ResourceKey {
  std::uint16_t id = 0;
  std::u16string name;

  static ResourceKey ofId(std::uint16_t id) { return {id, {}}; }
  static ResourceKey ofName(std::u16string name) { return {0, std::move(name)}; }

  bool named() const { return !name.empty(); }
  // The order of a resource directory: names first, by their UTF-16 code units, then numbers.
  friend std::strong_ordering operator<=>(const ResourceKey& a, const ResourceKey& b);
  friend bool operator==(const ResourceKey& a, const ResourceKey& b) { return (a <=> b) == 0; }
};

struct Resource {
  ResourceKey type;
  ResourceKey name;
  std::uint16_t language = 0;
  std::uint32_t codePage = 0;
  std::vector<std::uint8_t> data;

  friend bool operator==(const Resource&, const Resource&) = default;
};

// Every resource of a PE image (PE32 or PE32+), in the order of its resource directory; empty for an
// image without resources. Nothing when the bytes are not a PE image or its resource directory is
// malformed: out of bounds, tables reached twice (loops), counts past the section, names or ids a
// Resource cannot hold, one type, name and language twice, or more data than the image holds.
std::optional<std::vector<Resource>> readResources(std::span<const std::uint8_t> image);

// Puts `added` into `resources`, replacing a resource of the same type, name and language.
void putResource(std::vector<Resource>& resources, Resource added);

// Writes the image to `path` with its resource section rebuilt from `resources` (in any order; the
// same type, name and language twice is refused). The sections after the resource section move
// with it, and every header that tells where they are follows; the data past the last section
// (symbols, anything appended) is kept after them. False when writing fails, and for an image that
// cannot be rebuilt safely; the caller then removes the file. Refused: signed images; a resource
// directory that does not start its section; sections after it that are not discardable read-only
// data, or that tables other than the base relocations and the debug directory point into;
// relocations in or after the resource section, or holding addresses there; no resource section
// and no free slot in the headers to add one.
bool writeWithResources(const std::wstring& path, std::span<const std::uint8_t> image,
                        const std::vector<Resource>& resources);

}  // namespace pe
