#include "support/TestArchives.h"

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <memory>

namespace testsupport {

namespace {

std::uint32_t word(const Bytes& bytes, std::size_t offset, int length) {
  std::uint32_t value = 0;
  for (int i = length - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
  return value;
}

constexpr std::size_t kEndRecordLength = 22;
constexpr std::size_t kCentralRecordLength = 46;
constexpr std::size_t kLocalHeaderLength = 30;

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

std::vector<CentralRecord> centralDirectory(const Bytes& archive) {
  // The archives carry no comment, so the end record is the last 22 bytes.
  if (archive.size() < kEndRecordLength) return {};
  const std::size_t end = archive.size() - kEndRecordLength;
  if (word(archive, end, 4) != 0x06054B50) return {};
  const std::uint32_t count = word(archive, end + 10, 2);
  std::size_t at = word(archive, end + 16, 4);
  std::vector<CentralRecord> records;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + kCentralRecordLength > end || word(archive, at, 4) != 0x02014B50) return {};
    CentralRecord r;
    r.versionMadeBy = static_cast<std::uint16_t>(word(archive, at + 4, 2));
    r.flags = static_cast<std::uint16_t>(word(archive, at + 8, 2));
    r.method = static_cast<std::uint16_t>(word(archive, at + 10, 2));
    r.compressedSize = word(archive, at + 20, 4);
    r.uncompressedSize = word(archive, at + 24, 4);
    const std::uint32_t nameLength = word(archive, at + 28, 2);
    r.extraLength = static_cast<std::uint16_t>(word(archive, at + 30, 2));
    const std::uint32_t commentLength = word(archive, at + 32, 2);
    r.externalAttributes = word(archive, at + 38, 4);
    const std::uint32_t local = word(archive, at + 42, 4);
    if (at + kCentralRecordLength + nameLength > end) return {};
    r.name.assign(archive.begin() + at + kCentralRecordLength,
                  archive.begin() + at + kCentralRecordLength + nameLength);
    if (local + kLocalHeaderLength > archive.size() || word(archive, local, 4) != 0x04034B50) return {};
    r.localFlags = static_cast<std::uint16_t>(word(archive, local + 6, 2));
    records.push_back(r);
    at += kCentralRecordLength + nameLength + r.extraLength + commentLength;
  }
  return records;
}

std::vector<ArchivedEntry> readZip(const std::filesystem::path& archive) {
  std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(archive.string().c_str()), unzClose);
  if (!zip) return {};
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) return {};
  std::vector<ArchivedEntry> entries;
  for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
    if (i > 0 && unzGoToNextFile(zip.get()) != UNZ_OK) return {};
    unz_file_info64 info{};
    char name[260] = {};
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return {};
    ArchivedEntry entry{name, Bytes(info.uncompressed_size), static_cast<std::uint32_t>(info.external_fa)};
    if (unzOpenCurrentFile(zip.get()) != UNZ_OK) return {};
    const int read = entry.data.empty() ? 0
                                        : unzReadCurrentFile(zip.get(), entry.data.data(),
                                                             static_cast<unsigned>(entry.data.size()));
    // Closing checks the CRC of an entry read to its end.
    if (unzCloseCurrentFile(zip.get()) != UNZ_OK || read != static_cast<int>(entry.data.size())) return {};
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace testsupport
