#pragma once

// ZIP archives written and read in tests with minizip, as the installer's payloads are.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/Files.h"

namespace testsupport {

struct ZipEntry {
  std::string name;
  std::string content;
  bool folder = false;
  // Instead of the payload's own: 0x10 for a folder, 0x20 for a file.
  std::optional<unsigned> attributes;
  // Stored as given, under this uncompressed size (with the CRC of the content): a short entry.
  std::optional<std::uint64_t> declaredSize;
};

// Folder entries stored with a trailing slash; files deflated (or stored, when not deflate).
void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries, bool deflate = true);

// Every file entry's name and bytes, as the archive carries them.
std::map<std::string, Bytes> archiveFiles(const std::filesystem::path& path);

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

struct ArchivedEntry {
  std::string name;
  Bytes data;
  std::uint32_t externalAttributes = 0;
};

// Every entry in archive order, read back through minizip's reader; empty on any failure.
std::vector<ArchivedEntry> readZip(const std::filesystem::path& archive);

}  // namespace testsupport
