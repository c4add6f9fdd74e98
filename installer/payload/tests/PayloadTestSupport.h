#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Files.h"

namespace payloadtest {

using testsupport::Bytes;

// One record of an archive's central directory, read from its bytes, with the flags of the local
// header it points at.
struct CentralRecord {
  std::string name;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t extraLength = 0;
  std::uint32_t externalAttributes = 0;
  std::uint16_t localFlags = 0;
};

// Empty when the end record or any record is missing or malformed.
std::vector<CentralRecord> centralDirectory(const Bytes& archive);

struct ZipEntry {
  std::string name;
  Bytes data;
  std::uint32_t externalAttributes = 0;
};

// Every entry in archive order, read back through minizip's reader; empty on any failure.
std::vector<ZipEntry> readZip(const std::filesystem::path& archive);

// Writes every file entry below the folder, creating folders as the names ask.
void extractZip(const std::filesystem::path& archive, const std::filesystem::path& folder);

// The archives, made once per test run by make_payloads from the patch sources, with a stand-in
// for the Windows qmx.exe.
struct Payloads {
  std::filesystem::path install;
  std::filesystem::path uninstall;
  Bytes qmxStandIn;
};
const Payloads& payloads();

// Writes a fresh demo game into the folder with make_demo_game; false when the tool fails.
bool makeDemoGame(const std::filesystem::path& folder);

inline const std::filesystem::path kPatchSource = PATCH_SOURCE;

}  // namespace payloadtest
