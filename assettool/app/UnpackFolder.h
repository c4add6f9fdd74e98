#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "stream/AssetStream.h"

// The folder of replacement files beside an asset file: "Data\level.assets" has "Data\level_unpak",
// with one subfolder per class name. Within a run, objects that share a name in a class folder are
// told apart by their order: Atlas, Atlas_1, Atlas_2, ...
class UnpackFolder {
 public:
  explicit UnpackFolder(const std::wstring& assetPath);
  // The same naming in a folder of another name (the kit exports and checks anywhere).
  static UnpackFolder named(std::wstring folderPath);

  const std::wstring& path() const { return path_; }
  std::wstring classFolder(std::wstring_view className) const;

  // The file that holds the named object's replacement; the path is taken for the rest of the run
  // whether or not the file exists.
  std::wstring replacementPath(const std::wstring& classFolder, const std::wstring& name,
                               std::wstring_view extension);

  // MonoBehaviour objects are found by type ID and the low 32 bits of their path ID.
  std::wstring monoBehaviourPath(std::wstring_view className, std::int32_t typeId, std::int64_t pathId) const;
  // From format 17, where objects name their type by an index that changes with the types a build
  // holds: by the script hash of their type (32 hexadecimal digits), which stays as long as the
  // scripts do, and their whole path ID.
  std::wstring monoBehaviourPath(std::wstring_view className, const AssetStream::Hash128& scriptHash,
                                 std::int64_t pathId) const;

  // Whether a name keeps its path inside the class folder: no root, no drive, no ".." component.
  // A backslash that reaches into a subfolder is allowed.
  static bool staysInClassFolder(std::wstring_view name);

 private:
  UnpackFolder() = default;

  std::wstring path_;
  std::set<std::wstring> handedOut_;
  // Per plain path, the number its last numbered path took: every lower number is taken already,
  // so many equal names cost no more than one pass each.
  std::map<std::wstring, int> lastNumber_;
};
