#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDirectory {
 public:
  TempDirectory();
  // Made inside that folder instead (a drive of the test's own, say).
  explicit TempDirectory(const std::filesystem::path& parent);
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes readFile(const std::filesystem::path& path);

// The bytes from offset of an endless pattern that differs from piece to piece of a copy and within
// each, so that a piece lost, repeated or put elsewhere shows.
Bytes patternBytes(std::uint64_t offset, std::size_t length);
// A file of the header, then length bytes of the pattern from its start, written a piece at a time.
void writePatternFile(const std::filesystem::path& path, const Bytes& header, std::uint64_t length);

// Every file (with its bytes) and every folder (named with a trailing "/", no bytes) below the
// folder, by path relative to it with "/" separators.
using FolderContents = std::map<std::string, Bytes>;
FolderContents folderContents(const std::filesystem::path& folder);

// Writes a file of zeros that leaves about that many bytes free on the file's drive.
void fillDriveLeaving(const std::filesystem::path& filler, std::uintmax_t leftFree);

}  // namespace testsupport
