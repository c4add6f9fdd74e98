#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "stream/AssetStream.h"

// Bytes read by offset where they lie: a stretch of an open file, read a little at a time, or bytes
// held in memory. An object or a replacement of any size is walked and copied through a region
// without ever being loaded whole.
class ByteRegion {
 public:
  // Over a copy of the bytes.
  explicit ByteRegion(std::span<const std::uint8_t> bytes);
  // Over a stretch of a stream opened elsewhere, which must outlive the region. Reads leave the
  // stream's position where it was, so the stream can be written to between them.
  ByteRegion(AssetStream& stream, std::int64_t start, std::uint64_t length);
  // Over a whole file, opened read-only for the region's lifetime; nothing when it cannot be opened.
  static std::shared_ptr<ByteRegion> openFile(const std::wstring& path);

  ByteRegion(const ByteRegion&) = delete;
  ByteRegion& operator=(const ByteRegion&) = delete;

  std::uint64_t size() const { return length_; }
  // Fills into with the bytes from offset. False, with into zeroed, when they pass the region's end
  // or cannot be read; the region then stays failed.
  bool read(std::uint64_t offset, std::span<std::uint8_t> into) const;
  // A short run by value; empty, and the region failed, when it cannot be read.
  std::vector<std::uint8_t> bytes(std::uint64_t offset, std::uint64_t length) const;
  // A 32-bit little-endian word (object data's counts); 0 when it cannot be read.
  std::uint32_t word(std::uint64_t offset) const;
  bool failed() const { return failed_; }

  // The stream the region lies in and where it starts there, for copies the system makes from file
  // to file.
  AssetStream& stream() const { return *stream_; }
  std::int64_t start() const { return start_; }

 private:
  ByteRegion() = default;

  std::unique_ptr<AssetStream> owned_;
  AssetStream* stream_ = nullptr;
  std::int64_t start_ = 0;
  std::uint64_t length_ = 0;
  mutable bool failed_ = false;
};

// A change made to bytes as they are copied, piece by piece. Pieces are whole multiples of 12 bytes
// but for the last, so a change to each 3- or 4-byte element falls on whole elements.
using PieceChange = void (*)(std::span<std::uint8_t> piece);

// A stretch of a region that goes into an object as it is written.
struct RegionSlice {
  std::shared_ptr<const ByteRegion> region;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  PieceChange change = nullptr;
};
