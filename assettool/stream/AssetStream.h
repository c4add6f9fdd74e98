#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct RegionSlice;

// The byte stream of qmx: an asset file opened for reading and writing in place, or a read-only
// copy of some bytes. Every 16- and 32-bit value follows the stream's byte order; 64-bit values and
// byte runs never do.
//
// Reads are checked: a read that would pass the end of the data reads nothing, returns zeros and
// puts the stream in a failed state that stays (every later read fails too), so a reader can read a
// whole record and test once at the end. Lengths and counts taken from the data are checked against
// what remains before anything is allocated for them.
class AssetStream {
 public:
  using Hash128 = std::array<std::uint8_t, 16>;

  // Where a counting stream starts.
  struct CountingFrom {
    std::int64_t position;
  };
  // The file and the position there that a comparing stream compares with.
  struct ComparingWith {
    AssetStream& file;
    std::int64_t position;
  };

  // The most bytes a copy holds in memory at once, a multiple of 12 (see PieceChange). Copies
  // through the C run-time's files reach their full speed from pieces of 384 KiB on (piece_bench);
  // this leaves room on either side of that.
  static constexpr std::uint64_t kPieceLength = std::uint64_t{3} << 18;  // 768 KiB

  AssetStream() = default;
  // A read-only stream over a copy of the bytes, little-endian.
  explicit AssetStream(std::span<const std::uint8_t> bytes);
  // A stream that keeps nothing: writes only move its position and size on, from the given
  // position, so that a record written through it tells how far it would reach if written there,
  // padding and all. Reads fail.
  explicit AssetStream(CountingFrom start);
  // A stream that writes nothing: what is written is compared with the file's bytes from the given
  // position on, so that a record written through it tells whether it stands there already. Reads
  // fail; the file's own position is left where it was.
  explicit AssetStream(ComparingWith file);
  ~AssetStream();
  AssetStream(const AssetStream&) = delete;
  AssetStream& operator=(const AssetStream&) = delete;

  // Opens an existing file for reading and writing without truncating it. False if it cannot be
  // opened that way; the stream is then failed.
  bool open(const std::wstring& path, bool bigEndian);
  // Opens an existing file for reading only; writes fail.
  bool openReadOnly(const std::wstring& path);
  // Creates a file (or empties an existing one) for writing, little-endian.
  bool create(const std::wstring& path);
  // Closes the file (flushing what was written) and releases the data. False if anything written
  // through the stream failed to reach the file.
  bool close();

  bool bigEndian() const { return bigEndian_; }
  void setBigEndian(bool bigEndian) { bigEndian_ = bigEndian; }

  std::uint8_t readByte();
  std::uint16_t readUInt16();
  std::int32_t readInt32();
  float readFloat();
  std::int64_t readInt64();
  // The 64-bit sizes of the large-file header, the one place they are stored big-endian.
  std::int64_t readInt64BigEndian();
  Hash128 readHash128();
  std::vector<std::uint8_t> readBytes(std::uint64_t count);
  // Fills the span; false, with it zeroed, when the data runs out.
  bool readInto(std::span<std::uint8_t> bytes) { return readRaw(bytes.data(), bytes.size()); }
  // Up to limit characters; the terminating zero is consumed only when it ends the string before
  // the limit. Ends early, and fails the stream, when the data runs out.
  std::string readCString(std::size_t limit);

  void writeByte(std::uint8_t value);
  void writeUInt16(std::uint16_t value);
  void writeInt32(std::int32_t value);
  void writeInt64(std::int64_t value);
  void writeInt64BigEndian(std::int64_t value);
  void writeBytes(std::span<const std::uint8_t> bytes);
  // Writes the bytes of the slice, changed as it says, a piece at a time; from a file to a file the
  // system copies them where it can. False when the slice could not be read; the stream fails only
  // when writing does.
  bool copy(const RegionSlice& slice);
  // Makes sure what was written has left the program's buffers; false if any write failed.
  bool flush();
  // Cuts the file to that many bytes. What is still buffered is dropped, never written after the
  // cut. False if the file could not be cut.
  bool truncate(std::int64_t size);

  std::int64_t position() const { return position_; }
  std::int64_t size() const { return size_; }
  // Bytes between the position and the end of the data (0 when the position is past the end, and
  // always 0 when counting).
  std::uint64_t remaining() const;
  // Whether count items of itemSize bytes each can still be read, without overflow.
  bool canRead(std::uint64_t count, std::uint64_t itemSize) const;
  void seek(std::int64_t offset);
  void seekEnd();
  // Moves on to the next multiple of 4 of the absolute position; nothing is read or written.
  void alignRead();
  void alignWrite();

  bool failed() const { return failed_; }
  // Whether a comparing stream met a byte that differs from the file's, or bytes past its end.
  bool differs() const { return differs_; }
  // The system's error number (errno) of the first file call that failed since the file was
  // opened; 0 when none did, or when the system gave no reason.
  int systemError() const { return systemError_; }
  bool isFile() const { return file_ != nullptr; }

 private:
  enum class LastAccess { None, Read, Write };

  bool openWith(FILE* file, bool bigEndian);
  void prepareOpen(bool writable);
  // A call of the C run-time's file functions failed: the stream fails, keeping the first reason.
  void failFileCall();
  bool readRaw(void* destination, std::uint64_t count);
  void writeRaw(const void* source, std::uint64_t count);
  void syncFilePosition(LastAccess next);
  void skipToAlignment();
  void compareRaw(const void* source, std::uint64_t count);
  // The system's copy of the slice's bytes at the position, as far as it goes; the bytes it copied.
  std::uint64_t copyInSystem(const RegionSlice& slice);
  // The file may have changed under the C run-time's buffers: the next access seeks first.
  void forgetFilePosition();

  FILE* file_ = nullptr;
  bool writable_ = false;
  bool counting_ = false;
  AssetStream* compared_ = nullptr;
  bool differs_ = false;
  std::vector<std::uint8_t> memory_;
  bool bigEndian_ = false;
  bool failed_ = false;
  int systemError_ = 0;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
  std::int64_t filePosition_ = 0;
  LastAccess lastAccess_ = LastAccess::None;
};

// The whole content of a file, read through a read-only stream; nothing if it cannot be read.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::wstring& path);
