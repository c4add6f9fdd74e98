#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/SerializedFileBuilder.h"

// Asset files and an unpacked folder made for each other: every Font, Texture2D, TextAsset and
// MonoBehaviour object of the seeds has a replacement file in the folder, so the fuzzer starts from
// inputs that reach every import path instead of only the refusals.
namespace fuzzseeds {

// The asset file's name and the unpacked folder qmx looks for beside it.
inline constexpr const char* kAssetName = "level.assets";
inline constexpr const char* kUnpackFolderName = "level_unpak";

struct Seed {
  std::string name;  // file name in the corpus
  testsupport::AssetDescription description;
};

// Files of every engine release whose layouts qmx knows, in the formats of those releases (9 with
// type trees, 14 and 15 with hashed type lists), holding every handled class; and files of the
// formats from 17, with and without type trees, holding script objects.
std::vector<Seed> seedAssets();

// The class IDs whose objects the seeds expect to be rebuilt.
bool isReplacedClass(std::int32_t classId);

// Writes the replacement files into the folder (created if missing), and folders in place of the
// replacement files of a Font, Texture2D and TextAsset named Sheet and of MonoBehaviour path ID 8,
// which the seeds do not use and repack.dict names for the fuzzer.
void writeUnpackFolder(const std::filesystem::path& folder);

}  // namespace fuzzseeds
