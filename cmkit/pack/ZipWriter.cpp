#include "pack/ZipWriter.h"

#include <zip.h>
#include <zlib.h>

#include "platform/Platform.h"
#include "stream/AssetStream.h"

namespace pack {
namespace {

constexpr uLong kFolderAttribute = 0x10;
constexpr uLong kArchiveAttribute = 0x20;
// Upper byte 0: MS-DOS; lower byte 20: version 2.0 of the format.
constexpr uLong kVersionMadeBy = 20;

// minizip hands the archive's name through as it was given: here a wide path, so that the archive
// can be written into any folder whatever the code page.
voidpf ZCALLBACK createWide(voidpf, const void* name, int) {
  return platform::createFile(*static_cast<const std::wstring*>(name));
}

zip_fileinfo entryInfo(const ArchiveEntry& entry) {
  zip_fileinfo info{};
  // A fixed time, so that the same patch gives the same installer.
  info.tmz_date.tm_year = 2024;
  info.tmz_date.tm_mon = 4;
  info.tmz_date.tm_mday = 1;
  info.tmz_date.tm_hour = 12;
  info.external_fa = entry.isFolder() ? kFolderAttribute : kArchiveAttribute;
  return info;
}

std::optional<std::vector<std::uint8_t>> contentOf(const ArchiveEntry& entry) {
  if (const auto* path = std::get_if<std::wstring>(&entry.content)) return readWholeFile(*path);
  return std::get<std::vector<std::uint8_t>>(entry.content);
}

bool writeEntry(zipFile zip, const ArchiveEntry& entry) {
  const zip_fileinfo info = entryInfo(entry);
  const bool folder = entry.isFolder();
  std::optional<std::vector<std::uint8_t>> data;
  if (!folder) {
    data = contentOf(entry);
    if (!data) return false;
  }
  if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              folder ? 0 : Z_DEFLATED, folder ? 0 : Z_BEST_COMPRESSION, 0, -MAX_WBITS,
                              DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, kVersionMadeBy, 0,
                              0) != ZIP_OK) {
    return false;
  }
  bool written = true;
  if (data && !data->empty()) {
    written = zipWriteInFileInZip(zip, data->data(), static_cast<unsigned>(data->size())) == ZIP_OK;
  }
  return zipCloseFileInZip(zip) == ZIP_OK && written;
}

}  // namespace

bool writeZip(const std::wstring& archive, const std::vector<ArchiveEntry>& entries) {
  zlib_filefunc64_def files;
  fill_fopen64_filefunc(&files);
  files.zopen64_file = createWide;
  zipFile zip = zipOpen2_64(&archive, APPEND_STATUS_CREATE, nullptr, &files);
  if (zip == nullptr) return false;
  bool written = true;
  for (const ArchiveEntry& entry : entries) {
    written = writeEntry(zip, entry);
    if (!written) break;
  }
  return zipClose(zip, nullptr) == ZIP_OK && written;
}

}  // namespace pack
