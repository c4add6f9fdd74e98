#pragma once

#include <filesystem>
#include <vector>

#include "PayloadContents.h"

namespace payload {

// Writes the entries, in order, as a ZIP archive that the installer's extraction understands:
// made by an MS-DOS packer, no encryption, no data descriptors, no ZIP64 records; folders stored
// empty with the folder attribute, files deflated with the archive attribute. Throws on failure.
void writeZip(const std::filesystem::path& archive, const std::vector<Entry>& entries);

}  // namespace payload
