#include "PayloadTestSupport.h"

#include <unzip.h>

#include <memory>

#include "support/ChildProcess.h"

namespace payloadtest {
namespace {

std::uint32_t word(const Bytes& bytes, std::size_t offset, int length) {
  std::uint32_t value = 0;
  for (int i = length - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
  return value;
}

constexpr std::size_t kEndRecordLength = 22;
constexpr std::size_t kCentralRecordLength = 46;
constexpr std::size_t kLocalHeaderLength = 30;

}  // namespace

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

std::vector<ZipEntry> readZip(const std::filesystem::path& archive) {
  std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen64(archive.string().c_str()), unzClose);
  if (!zip) return {};
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) return {};
  std::vector<ZipEntry> entries;
  for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
    if (i > 0 && unzGoToNextFile(zip.get()) != UNZ_OK) return {};
    unz_file_info64 info{};
    char name[260] = {};
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return {};
    ZipEntry entry{name, Bytes(info.uncompressed_size), static_cast<std::uint32_t>(info.external_fa)};
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

void extractZip(const std::filesystem::path& archive, const std::filesystem::path& folder) {
  for (const ZipEntry& entry : readZip(archive)) {
    if (entry.name.ends_with('/')) {
      std::filesystem::create_directories(folder / entry.name);
    } else {
      testsupport::writeFile(folder / entry.name, entry.data);
    }
  }
}

const Payloads& payloads() {
  static testsupport::TempDirectory folder;
  static const Payloads made = [] {
    const std::string standIn = "MZ stand-in for the Windows qmx.exe\n";
    Payloads p{folder / "out" / "install.zip", folder / "out" / "uninstall.zip",
               Bytes(standIn.begin(), standIn.end())};
    testsupport::writeFile(folder / "qmx.exe", p.qmxStandIn);
    testsupport::runProgram(
        MAKE_PAYLOADS, {kPatchSource.wstring(), (folder / "qmx.exe").wstring(), (folder / "out").wstring()},
        folder.path());
    return p;
  }();
  return made;
}

bool makeDemoGame(const std::filesystem::path& folder) {
  return testsupport::runProgram(MAKE_DEMO_GAME, {folder.wstring()}, folder.parent_path()).exitCode == 0;
}

}  // namespace payloadtest
