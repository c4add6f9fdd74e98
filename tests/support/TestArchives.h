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

}  // namespace testsupport
