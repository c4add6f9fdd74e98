#include "stream/AssetStream.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/Platform.h"
#include "stream/ByteRegion.h"

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

AssetStream::AssetStream(ComparingWith file)
    : compared_(&file.file), position_(file.position), size_(file.position) {}

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
  // Counting and comparing streams have nothing to read.
  if (counting_ || compared_ != nullptr || position_ >= size_) return 0;
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
  if (compared_ != nullptr) compareRaw(source, count);
  if (counting_ || compared_ != nullptr) {
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

void AssetStream::compareRaw(const void* source, std::uint64_t count) {
  if (differs_ || count == 0) return;
  const auto* expected = static_cast<const std::uint8_t*>(source);
  std::vector<std::uint8_t> stored(static_cast<std::size_t>(std::min(count, kPieceLength)));
  const std::int64_t kept = compared_->position();
  for (std::uint64_t done = 0; done < count && !differs_;) {
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, stored.size()));
    compared_->seek(position_ + static_cast<std::int64_t>(done));
    // Bytes past the file's end fail the read, and differ; the file itself stays readable.
    const bool inFile = compared_->canRead(length, 1) && compared_->readRaw(stored.data(), length);
    differs_ = !inFile || std::memcmp(stored.data(), expected + done, length) != 0;
    done += length;
  }
  compared_->seek(kept);
}

bool AssetStream::copy(const RegionSlice& slice) {
  const ByteRegion& region = *slice.region;
  if (slice.offset > region.size() || slice.length > region.size() - slice.offset) return false;
  // Counting needs no bytes; comparing stops reading at the first difference, below.
  if (counting_) {
    writeRaw(nullptr, slice.length);
    return true;
  }
  std::uint64_t done = copyInSystem(slice);
  std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min(slice.length - done, kPieceLength)));
  while (done < slice.length && !failed_) {
    if (differs_) {
      writeRaw(nullptr, slice.length - done);
      break;
    }
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(slice.length - done, piece.size()));
    const std::span<std::uint8_t> bytes(piece.data(), length);
    if (!region.read(slice.offset + done, bytes)) return false;
    if (slice.change != nullptr) slice.change(bytes);
    writeRaw(bytes.data(), length);
    done += length;
  }
  return true;
}

std::uint64_t AssetStream::copyInSystem(const RegionSlice& slice) {
  // Below this the system's copy saves less than the flush before it costs.
  constexpr std::uint64_t kSmallestSystemCopy = 64 * 1024;
  AssetStream& source = slice.region->stream();
  if (slice.change != nullptr || slice.length < kSmallestSystemCopy || file_ == nullptr || !writable_ ||
      failed_ || source.file_ == nullptr || source.failed_) {
    return 0;
  }
  // What the run-time still buffers must reach the file before the system writes past it.
  if (std::fflush(file_) != 0) {
    failFileCall();
    return 0;
  }
  if (&source != this && std::fflush(source.file_) != 0) return 0;
  const std::uint64_t copied =
      platform::copyFileRange(source.file_, slice.region->start() + static_cast<std::int64_t>(slice.offset),
                              file_, position_, slice.length);
  forgetFilePosition();
  source.forgetFilePosition();
  position_ += static_cast<std::int64_t>(copied);
  size_ = std::max(size_, position_);
  return copied;
}

void AssetStream::forgetFilePosition() {
  lastAccess_ = LastAccess::None;
  filePosition_ = -1;
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
  forgetFilePosition();
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
