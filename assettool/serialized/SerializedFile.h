#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serialized/FormatVersion.h"
#include "serialized/ObjectTable.h"
#include "serialized/SerializedFileHeader.h"
#include "serialized/SerializedMetadata.h"
#include "stream/AssetStream.h"
#include "stream/ByteRegion.h"

enum class LoadStatus {
  Loaded,
  CannotOpen,            // missing, or not open for reading and writing
  TooLarge,              // offsets in the file are 32-bit
  Damaged,               // truncated or inconsistent: writing into it could not be trusted
  TypeTreesUnsupported,  // type trees stored in a way not read here (format 23 on)
  VersionUnsupported,    // a format newer than any this reader knows
  OutOfMemory,           // the metadata does not fit in the memory the program can have
};

enum class SaveStatus { Saved, NotWritable, WriteFailed };

// One serialized asset file, changed in place: replacement object data is appended at the end
// and save rewrites the header, the start of the metadata and the object table where they stood,
// each in exactly as many bytes as it had. Object data is read only on demand.
class SerializedFile {
 public:
  // byteStart, byteSize, dataOffset and fileSize are 32-bit and offsets are computed signed: no
  // byte of the file may lie further out. From format 22 they are 64-bit: the platform's file
  // functions are the limit.
  static constexpr std::int64_t kLargestSize = std::numeric_limits<std::int32_t>::max();
  static constexpr bool offsetsReach(std::int64_t fileSize, std::int32_t formatVersion) {
    return format::hasLargeFilesSupport(formatVersion) || fileSize <= kLargestSize;
  }

  // Opens the file for reading and writing and reads its header, metadata and object table. Any
  // status but Loaded means the file must not be written; it has not been.
  LoadStatus load(const std::wstring& path);
  // The same for a file that is only read: it is not even opened for writing.
  LoadStatus loadReadOnly(const std::wstring& path);

  SerializedFileHeader headerCopy() const { return header_; }
  const SerializedMetadata& metadata() const { return metadata_; }
  ObjectTable& objects() { return objects_; }
  const ObjectTable& objects() const { return objects_; }
  AssetStream& stream() { return stream_; }
  // The entry of the type list that the object names (from format 16 checked at load), or nothing.
  const TypeEntry* typeOf(const ObjectInfo& info) const;

  // Where the object's data starts in the file.
  std::int64_t objectOffset(const ObjectInfo& info) const;
  std::vector<std::uint8_t> readObjectBytes(const ObjectInfo& info);
  // The object's data where it lies in the file, read a little at a time while the file is open.
  std::shared_ptr<const ByteRegion> objectRegion(const ObjectInfo& info);
  // The length-prefixed name that opens the data of named objects, at most its first maxBytes
  // bytes; nothing when the length does not fit in the object's data.
  std::optional<std::string> readObjectName(const ObjectInfo& info, std::size_t maxBytes);

  // Rewrites header, metadata start and object table in place. Files whose metadata is stored at
  // their end are not written.
  SaveStatus save();
  // Cuts off whatever was appended since load, so that the file is again as it was loaded (as long
  // as save has not run). False if it could not be cut.
  bool cutAppended() { return stream_.truncate(loadedSize_); }
  bool close() { return stream_.close(); }

 private:
  LoadStatus loadOpened();
  LoadStatus readModel();
  bool metadataFitsFile() const;
  bool typeTreesUnreadable() const;
  bool resolveTypeIndices();
  bool objectsFitFile() const;  // in the file, and apart from what save rewrites

  SerializedFileHeader header_;
  SerializedMetadata metadata_;
  ObjectTable objects_;
  AssetStream stream_;
  std::int64_t loadedSize_ = 0;
};
