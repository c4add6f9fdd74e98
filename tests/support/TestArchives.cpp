#include "support/TestArchives.h"

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <memory>

namespace testsupport {

namespace {

void writeEntry(zipFile zip, const ZipEntry& entry, bool deflate) {
  zip_fileinfo info{};
  info.external_fa = entry.attributes.value_or(entry.folder ? 0x10 : 0x20);
  const bool raw = entry.declaredSize.has_value();
  const int method = entry.folder || !deflate || raw ? 0 : Z_DEFLATED;
  zipOpenNewFileInZip2_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                          Z_DEFAULT_COMPRESSION, raw ? 1 : 0, 0);
  zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size()));
  if (raw) {
    const auto* bytes = reinterpret_cast<const Bytef*>(entry.content.data());
    zipCloseFileInZipRaw64(zip, *entry.declaredSize,
                           crc32(0, bytes, static_cast<uInt>(entry.content.size())));
  } else {
    zipCloseFileInZip(zip);
  }
}

}  // namespace

void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries, bool deflate) {
  zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return;
  for (const ZipEntry& entry : entries) writeEntry(zip, entry, deflate);
  zipClose(zip, nullptr);
}

std::map<std::string, Bytes> archiveFiles(const std::filesystem::path& path) {
  std::map<std::string, Bytes> files;
  const std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(path.string().c_str()), unzClose);
  for (int at = zip ? unzGoToFirstFile(zip.get()) : UNZ_END_OF_LIST_OF_FILE; at == UNZ_OK;
       at = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    char name[512] = {};
    unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name - 1, nullptr, 0, nullptr, 0);
    if (std::string(name).ends_with('/')) continue;
    Bytes bytes(static_cast<std::size_t>(info.uncompressed_size));
    unzOpenCurrentFile(zip.get());
    unzReadCurrentFile(zip.get(), bytes.data(), static_cast<unsigned>(bytes.size()));
    unzCloseCurrentFile(zip.get());
    files[name] = std::move(bytes);
  }
  return files;
}

}  // namespace testsupport
