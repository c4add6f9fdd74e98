#include "stream/AssetStream.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/Platform.h"

namespace {

static_assert(std::endian::native == std::endian::little, "qmx assumes a little-endian host");

template <typename T>
T reversedIf(bool reverse, T value) {
  if (!reverse) return value;
  auto bytes = std::bit_cast<std::array<std::uint8_t, sizeof(T)>>(value);
  std::reverse(bytes.begin(), bytes.end());
  return std::bit_cast<T>(bytes);
}

}  // namespace

AssetStream::AssetStream(std::span<const std::uint8_t> bytes)
    : memory_(bytes.begin(), bytes.end()), size_(static_cast<std::int64_t>(bytes.size())) {}

AssetStream::AssetStream(CountingFrom start)
    : counting_(true), position_(start.position), size_(start.position) {}

AssetStream::~AssetStream() {
  close();
}

bool AssetStream::open(const std::wstring& path, bool bigEndian) {
  prepareOpen(true);
  return openWith(platform::openReadWrite(path), bigEndian);
}

bool AssetStream::openReadOnly(const std::wstring& path) {
  prepareOpen(false);
  return openWith(platform::openReadOnly(path), false);
}

bool AssetStream::create(const std::wstring& path) {
  prepareOpen(true);
  return openWith(platform::createFile(path), false);
}

void AssetStream::prepareOpen(bool writable) {
  close();
  writable_ = writable;
  failed_ = false;
  systemError_ = 0;
  errno = 0;  // so that a failed open tells its own reason, or none
}

bool AssetStream::openWith(FILE* file, bool bigEndian) {
  file_ = file;
  bigEndian_ = bigEndian;
  position_ = filePosition_ = size_ = 0;
  lastAccess_ = LastAccess::None;
  if (file_ == nullptr || !platform::seekFile(file_, 0, SEEK_END)) {
    failFileCall();
    return false;
  }
  size_ = platform::tellFile(file_);
  filePosition_ = size_;
  if (size_ < 0) failFileCall();
  return !failed_;
}

void AssetStream::failFileCall() {
  if (systemError_ == 0) systemError_ = errno;
  failed_ = true;
}

bool AssetStream::close() {
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) failFileCall();
    file_ = nullptr;
  }
  memory_.clear();
  memory_.shrink_to_fit();
  return !failed_;
}

std::uint64_t AssetStream::remaining() const {
  if (counting_ || position_ >= size_) return 0;  // a counting stream has nothing to read
  return static_cast<std::uint64_t>(size_ - position_);
}

bool AssetStream::canRead(std::uint64_t count, std::uint64_t itemSize) const {
  return itemSize == 0 || count <= remaining() / itemSize;
}

void AssetStream::syncFilePosition(LastAccess next) {
  // A file stream must be repositioned between reading and writing anyway.
  if (filePosition_ != position_ || (lastAccess_ != next && lastAccess_ != LastAccess::None)) {
    if (!platform::seekFile(file_, position_, SEEK_SET)) failFileCall();
    filePosition_ = position_;
  }
  lastAccess_ = next;
}

bool AssetStream::readRaw(void* destination, std::uint64_t count) {
  if (count == 0) return !failed_;  // an empty run may have no storage behind it
  if (failed_ || count > remaining()) {
    failed_ = true;
    std::memset(destination, 0, count);
    return false;
  }
  if (file_ != nullptr) {
    syncFilePosition(LastAccess::Read);
    const std::size_t got = std::fread(destination, 1, count, file_);
    filePosition_ += static_cast<std::int64_t>(got);
    if (got != count) {
      failed_ = true;
      std::memset(destination, 0, count);
      return false;
    }
  } else {
    std::memcpy(destination, memory_.data() + position_, count);
  }
  position_ += static_cast<std::int64_t>(count);
  return true;
}

void AssetStream::writeRaw(const void* source, std::uint64_t count) {
  if (counting_) {
    position_ += static_cast<std::int64_t>(count);
    size_ = std::max(size_, position_);
    return;
  }
  if (file_ == nullptr || !writable_) {
    failed_ = true;  // streams over bytes, and files opened for reading, are read-only
    return;
  }
  syncFilePosition(LastAccess::Write);
  const std::size_t put = std::fwrite(source, 1, count, file_);
  filePosition_ += static_cast<std::int64_t>(put);
  position_ += static_cast<std::int64_t>(put);
  size_ = std::max(size_, position_);
  if (put != count) failFileCall();
}

std::uint8_t AssetStream::readByte() {
  std::uint8_t value = 0;
  readRaw(&value, 1);
  return value;
}

std::uint16_t AssetStream::readUInt16() {
  std::uint16_t value = 0;
  readRaw(&value, sizeof value);
  return reversedIf(bigEndian_, value);
}

std::int32_t AssetStream::readInt32() {
  std::int32_t value = 0;
  readRaw(&value, sizeof value);
  return reversedIf(bigEndian_, value);
}

float AssetStream::readFloat() {
  float value = 0;
  readRaw(&value, sizeof value);
  return reversedIf(bigEndian_, value);
}

std::int64_t AssetStream::readInt64() {
  std::int64_t value = 0;
  readRaw(&value, sizeof value);
  return value;
}

std::int64_t AssetStream::readInt64BigEndian() {
  return reversedIf(true, readInt64());
}

AssetStream::Hash128 AssetStream::readHash128() {
  Hash128 value{};
  readRaw(value.data(), value.size());
  return value;
}

std::vector<std::uint8_t> AssetStream::readBytes(std::uint64_t count) {
  if (failed_ || count > remaining()) {
    failed_ = true;
    return {};
  }
  std::vector<std::uint8_t> bytes(count);
  readRaw(bytes.data(), count);
  return bytes;
}

std::string AssetStream::readCString(std::size_t limit) {
  std::string text;
  std::uint8_t c = 0;
  if (!readRaw(&c, 1)) return text;
  while (c != 0) {
    text += static_cast<char>(c);
    if (text.size() >= limit || !readRaw(&c, 1)) break;
  }
  return text;
}

void AssetStream::writeByte(std::uint8_t value) {
  writeRaw(&value, 1);
}

void AssetStream::writeUInt16(std::uint16_t value) {
  value = reversedIf(bigEndian_, value);
  writeRaw(&value, sizeof value);
}

void AssetStream::writeInt32(std::int32_t value) {
  value = reversedIf(bigEndian_, value);
  writeRaw(&value, sizeof value);
}

void AssetStream::writeInt64(std::int64_t value) {
  writeRaw(&value, sizeof value);
}

void AssetStream::writeInt64BigEndian(std::int64_t value) {
  writeInt64(reversedIf(true, value));
}

void AssetStream::writeBytes(std::span<const std::uint8_t> bytes) {
  if (!bytes.empty()) writeRaw(bytes.data(), bytes.size());
}

bool AssetStream::flush() {
  if (file_ != nullptr && std::fflush(file_) != 0) failFileCall();
  return !failed_;
}

bool AssetStream::truncate(std::int64_t size) {
  if (file_ == nullptr || !writable_) return false;
  // After a failed write the flush fails again, and the C runtime (glibc's as much as Windows')
  // then empties the buffer: what it held cannot reach the file later, past the cut.
  std::fflush(file_);
  if (!platform::truncateFile(file_, size)) return false;
  size_ = size;
  lastAccess_ = LastAccess::None;
  filePosition_ = -1;  // the next read or write seeks first
  return true;
}

void AssetStream::seek(std::int64_t offset) {
  if (offset < 0) {
    failed_ = true;
    return;
  }
  position_ = offset;
}

void AssetStream::seekEnd() {
  position_ = size_;
}

void AssetStream::skipToAlignment() {
  const std::int64_t misalignment = position_ % 4;
  if (misalignment != 0) position_ += 4 - misalignment;
}

void AssetStream::alignRead() {
  skipToAlignment();
}

void AssetStream::alignWrite() {
  skipToAlignment();
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::wstring& path) {
  AssetStream stream;
  if (!stream.openReadOnly(path)) return std::nullopt;
  std::vector<std::uint8_t> bytes = stream.readBytes(static_cast<std::uint64_t>(stream.size()));
  if (!stream.close()) return std::nullopt;
  return bytes;
}
