#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/TestArchives.h"

namespace payloadtest {

using testsupport::ArchivedEntry;
using testsupport::Bytes;
using testsupport::centralDirectory;
using testsupport::CentralRecord;
using testsupport::readZip;

// Writes every file entry below the folder, creating folders as the names ask.
void extractZip(const std::filesystem::path& archive, const std::filesystem::path& folder);

// The archives of the demo installer, which cmkit pack made of the demo patch in the build, and the
// Windows qmx.exe that it packed.
struct Payloads {
  std::filesystem::path install;
  std::filesystem::path uninstall;
  Bytes qmx;
};
const Payloads& payloads();

// Writes a fresh demo game into the folder with make_demo_game; false when the tool fails.
bool makeDemoGame(const std::filesystem::path& folder);

inline const std::filesystem::path kPatchSource = PATCH_SOURCE;

}  // namespace payloadtest
