#include "stream/ByteRegion.h"

#include <algorithm>

ByteRegion::ByteRegion(std::span<const std::uint8_t> bytes)
    : owned_(std::make_unique<AssetStream>(bytes)), stream_(owned_.get()), length_(bytes.size()) {}

ByteRegion::ByteRegion(AssetStream& stream, std::int64_t start, std::uint64_t length)
    : stream_(&stream), start_(start), length_(length) {}

std::shared_ptr<ByteRegion> ByteRegion::openFile(const std::wstring& path) {
  std::shared_ptr<ByteRegion> region(new ByteRegion());
  region->owned_ = std::make_unique<AssetStream>();
  if (!region->owned_->openReadOnly(path)) return nullptr;
  region->stream_ = region->owned_.get();
  region->length_ = static_cast<std::uint64_t>(region->owned_->size());
  return region;
}

bool ByteRegion::read(std::uint64_t offset, std::span<std::uint8_t> into) const {
  if (into.empty()) return !failed_;
  if (failed_ || offset > length_ || into.size() > length_ - offset) {
    failed_ = true;
    std::fill(into.begin(), into.end(), std::uint8_t{0});
    return false;
  }
  const std::int64_t kept = stream_->position();
  stream_->seek(start_ + static_cast<std::int64_t>(offset));
  const bool read = stream_->readInto(into);
  stream_->seek(kept);
  if (!read) failed_ = true;
  return read;
}

std::vector<std::uint8_t> ByteRegion::bytes(std::uint64_t offset, std::uint64_t length) const {
  if (offset > length_ || length > length_ - offset) {
    failed_ = true;
    return {};
  }
  std::vector<std::uint8_t> run(static_cast<std::size_t>(length));
  if (!read(offset, run)) return {};
  return run;
}

std::uint32_t ByteRegion::word(std::uint64_t offset) const {
  std::uint8_t at[4] = {};
  if (!read(offset, at)) return 0;
  return at[0] | at[1] << 8 | at[2] << 16 | std::uint32_t{at[3]} << 24;
}
