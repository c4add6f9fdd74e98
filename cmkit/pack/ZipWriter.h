#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// The ZIP archives that the installer carries, written as its extraction reads them.
namespace pack {

struct ArchiveEntry {
  std::string name;  // in the players' code page (GBK), "/" separators; a folder's ends in "/"
  // A folder holds nothing; a file holds the bytes given or the content of the file at that path.
  std::variant<std::vector<std::uint8_t>, std::wstring> content;

  bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

// Writes the entries, in order, as a ZIP archive made by an MS-DOS packer: no encryption, no data
// descriptors, no ZIP64 records; folders stored empty with the folder attribute 0x10, files
// deflated with the archive attribute 0x20. The same entries give the same bytes. False when the
// archive or a file it takes could not be written or read.
bool writeZip(const std::wstring& archive, const std::vector<ArchiveEntry>& entries);

}  // namespace pack
