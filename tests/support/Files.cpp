#include "support/Files.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace testsupport {

TempDirectory::TempDirectory() : TempDirectory(std::filesystem::temp_directory_path()) {}

TempDirectory::TempDirectory(const std::filesystem::path& parent) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string name =
      "qmxtest-" + std::to_string(random()) + "-" + std::to_string(stamp) + "-" + std::to_string(counter++);
  path_ = parent / name;
  std::filesystem::create_directories(path_);
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes patternBytes(std::uint64_t offset, std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint64_t at = offset + i;
    bytes[i] = static_cast<std::uint8_t>(at * 131 + at / 4093);
  }
  return bytes;
}

void writePatternFile(const std::filesystem::path& path, const Bytes& header, std::uint64_t length) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  constexpr std::size_t kPiece = 1 << 20;
  for (std::uint64_t done = 0; done < length; done += kPiece) {
    const Bytes piece =
        patternBytes(done, static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done)));
    out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
  }
}

FolderContents folderContents(const std::filesystem::path& folder) {
  FolderContents contents;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(entry.path(), folder).generic_string();
    if (entry.is_directory()) {
      contents[name + "/"];
    } else {
      contents[name] = readFile(entry.path());
    }
  }
  return contents;
}

void fillDriveLeaving(const std::filesystem::path& filler, std::uintmax_t leftFree) {
  const std::uintmax_t available = std::filesystem::space(filler.parent_path()).available;
  std::ofstream out(filler, std::ios::binary | std::ios::trunc);
  const std::vector<char> zeros(64 * 1024, 0);
  for (std::uintmax_t left = available > leftFree ? available - leftFree : 0; left > 0 && out;) {
    const std::size_t piece = left < zeros.size() ? static_cast<std::size_t>(left) : zeros.size();
    out.write(zeros.data(), static_cast<std::streamsize>(piece));
    left -= piece;
  }
}

}  // namespace testsupport
