#pragma once

#include <array>
#include <cstdint>

class AssetStream;

// The header at the start of every serialized file, always stored big-endian. From format 22 it
// is 48 bytes: the first four words hold only the format, and the metadata size, a 64-bit file
// size and a 64-bit data offset follow the endianness byte.
struct SerializedFileHeader {
  std::uint32_t metadataSize = 0;
  std::uint64_t fileSize = 0;
  std::int32_t formatVersion = 0;
  std::uint64_t dataOffset = 0;
  std::uint8_t endianness = 0;
  std::array<std::uint8_t, 3> reserved{};
  // Format 22 on: the first, second and fourth words, and the 8 bytes after the data offset.
  std::array<std::uint32_t, 3> legacyWords{};
  std::array<std::uint8_t, 8> largeReserved{};

  // Header length in the file for this header's format version.
  std::uint32_t byteLength() const;
  // Where the metadata block starts and ends in the file.
  std::uint64_t metadataStart() const;
  std::uint64_t metadataEnd() const;

  // Both switch the stream to big-endian; the caller chooses the order of what follows.
  void read(AssetStream& stream);
  void write(AssetStream& stream) const;
};
