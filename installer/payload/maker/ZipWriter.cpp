#include "ZipWriter.h"

#include <zip.h>
#include <zlib.h>

#include <stdexcept>

namespace payload {
namespace {

constexpr uLong kFolderAttribute = 0x10;
constexpr uLong kArchiveAttribute = 0x20;
// Upper byte 0: MS-DOS; lower byte 20: version 2.0 of the format.
constexpr uLong kVersionMadeBy = 20;

}  // namespace

void writeZip(const std::filesystem::path& archive, const std::vector<Entry>& entries) {
  std::filesystem::create_directories(archive.parent_path());
  zipFile zip = zipOpen64(archive.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) throw std::runtime_error("cannot create " + archive.string());
  for (const Entry& entry : entries) {
    zip_fileinfo info{};
    // A fixed time, so that the same sources give the same archive.
    info.tmz_date.tm_year = 2024;
    info.tmz_date.tm_mon = 4;
    info.tmz_date.tm_mday = 1;
    info.tmz_date.tm_hour = 12;
    const bool folder = entry.isFolder();
    info.external_fa = folder ? kFolderAttribute : kArchiveAttribute;
    const int method = folder ? 0 : Z_DEFLATED;
    const int level = folder ? 0 : Z_BEST_COMPRESSION;
    int status = zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                         nullptr, 0, kVersionMadeBy, 0, 0);
    if (status == ZIP_OK && !entry.data.empty()) {
      status = zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size()));
    }
    if (status == ZIP_OK) status = zipCloseFileInZip(zip);
    if (status != ZIP_OK) {
      zipClose(zip, nullptr);
      throw std::runtime_error("cannot write the entry " + entry.name + " to " + archive.string());
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("cannot finish " + archive.string());
}

}  // namespace payload
