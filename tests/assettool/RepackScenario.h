#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"

// A game folder with two asset files and their unpacked folders, as the installer leaves it before
// its batch runs: objects of the four handled classes with and without replacements, equal names,
// negative type IDs, 64-bit and negative path IDs, unknown classes, a name that tries to leave its
// class folder, damaged object data and a texture format without DDS import.
struct RepackScenario {
  explicit RepackScenario(const std::filesystem::path& gameFolder);

  // The asset files as built, and what each replaced object must read back as after a repack.
  struct Asset {
    std::filesystem::path path;
    testsupport::BuiltAsset built;
    testsupport::AssetDescription description;
    std::map<std::int64_t, testsupport::Bytes> replaced;
  };
  Asset shared;
  Asset resources;

  // The lines a run over the shared asset file prints between its start line and its last line.
  static const std::vector<std::wstring> kSharedWarnings;

  // Checks the repacked file against the one built: replaced objects carry their new data in path
  // order at the end of the file, every other entry and byte is as it was.
  static void expectRepacked(const Asset& asset);
};
