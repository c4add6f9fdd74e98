#include "pack/PeResources.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "stream/AssetStream.h"

namespace pe {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderLength = 40;
constexpr std::size_t kDirectoryLength = 16;
constexpr std::size_t kEntryLength = 8;
constexpr std::size_t kDataEntryLength = 16;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kDiscardable = 0x02000000u;
constexpr std::uint32_t kInitializedData = 0x40u;
// The data directories that cmkit must know about: where the resources are, the certificate (a file
// offset, the only one), the base relocations and the debug data.
constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;
constexpr int kRelocationDirectory = 5;
constexpr int kDebugDirectory = 6;
// Resource trees are three levels deep (type, name, language); one type holds at most this many.
constexpr int kLevels = 3;
constexpr std::uint32_t kMostEntries = 0xFFFF;

struct Section {
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawPointer = 0;
  std::uint32_t characteristics = 0;
  std::size_t headerAt = 0;
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
};

// Where the headers that the rebuild changes lie in the image, and what they hold.
struct Image {
  std::size_t coffAt = 0;
  std::size_t optionalAt = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::size_t directoriesAt = 0;
  std::vector<DataDirectory> directories;
  std::vector<Section> sections;
  std::uint32_t symbolTable = 0;

  std::size_t checksumAt() const { return optionalAt + 64; }
  std::size_t sizeOfImageAt() const { return optionalAt + 56; }
  std::size_t initializedDataAt() const { return optionalAt + 8; }

  std::optional<std::uint64_t> fileOffset(std::uint32_t rva, std::uint32_t length) const {
    for (const Section& s : sections) {
      const std::uint64_t end = std::uint64_t{s.virtualAddress} + std::min(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && std::uint64_t{rva} + length <= end) {
        return std::uint64_t{s.rawPointer} + (rva - s.virtualAddress);
      }
    }
    return std::nullopt;
  }
};

std::uint32_t u32(AssetStream& stream) {
  return static_cast<std::uint32_t>(stream.readInt32());
}

std::uint64_t alignUp(std::uint64_t value, std::uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

std::optional<Image> readImage(std::span<const std::uint8_t> bytes) {
  AssetStream stream(bytes);
  Image image;
  if (stream.readUInt16() != 0x5A4D) return std::nullopt;  // "MZ"
  stream.seek(0x3C);
  const std::uint32_t peAt = u32(stream);
  stream.seek(peAt);
  if (stream.failed() || u32(stream) != 0x00004550) return std::nullopt;  // "PE\0\0"
  image.coffAt = peAt + 4;
  stream.seek(static_cast<std::int64_t>(image.coffAt) + 2);
  const std::uint16_t sectionCount = stream.readUInt16();
  stream.seek(static_cast<std::int64_t>(image.coffAt) + 8);
  image.symbolTable = u32(stream);
  stream.seek(static_cast<std::int64_t>(image.coffAt) + 16);
  const std::uint16_t optionalLength = stream.readUInt16();
  image.optionalAt = image.coffAt + 20;
  stream.seek(static_cast<std::int64_t>(image.optionalAt));
  const std::uint16_t magic = stream.readUInt16();
  if (magic != kPe32 && magic != kPe32Plus) return std::nullopt;
  stream.seek(static_cast<std::int64_t>(image.optionalAt) + 32);
  image.sectionAlignment = u32(stream);
  image.fileAlignment = u32(stream);
  const std::size_t countAt = image.optionalAt + (magic == kPe32 ? 92 : 108);
  stream.seek(static_cast<std::int64_t>(countAt));
  const std::uint32_t directoryCount = u32(stream);
  image.directoriesAt = countAt + 4;
  if (directoryCount > 16 || image.directoriesAt + directoryCount * 8 > image.optionalAt + optionalLength) {
    return std::nullopt;
  }
  for (std::uint32_t i = 0; i < directoryCount; ++i) image.directories.push_back({u32(stream), u32(stream)});
  const std::size_t sectionsAt = image.optionalAt + optionalLength;
  stream.seek(static_cast<std::int64_t>(sectionsAt));
  if (!stream.canRead(sectionCount, kSectionHeaderLength)) return std::nullopt;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    Section s;
    s.headerAt = sectionsAt + i * kSectionHeaderLength;
    stream.seek(static_cast<std::int64_t>(s.headerAt) + 8);
    s.virtualSize = u32(stream);
    s.virtualAddress = u32(stream);
    s.rawSize = u32(stream);
    s.rawPointer = u32(stream);
    stream.seek(static_cast<std::int64_t>(s.headerAt) + 36);
    s.characteristics = u32(stream);
    if (std::uint64_t{s.rawPointer} + s.rawSize > bytes.size()) return std::nullopt;
    image.sections.push_back(s);
  }
  const bool alignmentsSound = image.fileAlignment != 0 && image.sectionAlignment != 0 &&
                               (image.fileAlignment & (image.fileAlignment - 1)) == 0 &&
                               (image.sectionAlignment & (image.sectionAlignment - 1)) == 0;
  if (stream.failed() || !alignmentsSound) return std::nullopt;
  return image;
}

// Reads the three levels of the resource tree, checking every offset against the section and
// never visiting a table twice.
class TreeReader {
 public:
  TreeReader(std::span<const std::uint8_t> bytes, const Image& image, std::uint64_t rootAt,
             std::uint32_t length)
      : stream_(bytes), image_(image), rootAt_(rootAt), length_(length) {}

  std::optional<std::vector<Resource>> read() {
    Resource path;
    if (!readTable(0, 0, path)) return std::nullopt;
    return std::move(resources_);
  }

 private:
  bool readTable(std::uint32_t offset, int level, Resource& path) {
    if (!visited_.insert(offset).second || offset > length_ || length_ - offset < kDirectoryLength)
      return false;
    stream_.seek(static_cast<std::int64_t>(rootAt_ + offset) + 12);
    const std::uint32_t count = std::uint32_t{stream_.readUInt16()} + stream_.readUInt16();
    if (count > kMostEntries || (length_ - offset - kDirectoryLength) / kEntryLength < count) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      stream_.seek(static_cast<std::int64_t>(rootAt_ + offset + kDirectoryLength + i * kEntryLength));
      const std::uint32_t name = u32(stream_);
      const std::uint32_t target = u32(stream_);
      std::optional<ResourceKey> key = keyOf(name);
      if (!key) return false;
      if (level == 0) path.type = *key;
      if (level == 1) path.name = *key;
      if (level == 2) {
        if (key->named()) return false;
        path.language = key->id;
      }
      const bool subdirectory = (target & kSubdirectory) != 0;
      if (subdirectory != (level < kLevels - 1)) return false;
      const bool read =
          subdirectory ? readTable(target & ~kSubdirectory, level + 1, path) : readData(target, path);
      if (!read) return false;
    }
    return !stream_.failed();
  }

  std::optional<ResourceKey> keyOf(std::uint32_t name) {
    ResourceKey key;
    if ((name & kSubdirectory) == 0) {
      if (name > 0xFFFF) return std::nullopt;
      key.id = static_cast<std::uint16_t>(name);
      return key;
    }
    const std::uint32_t at = name & ~kSubdirectory;
    if (at > length_ || length_ - at < 2) return std::nullopt;
    stream_.seek(static_cast<std::int64_t>(rootAt_ + at));
    const std::uint16_t units = stream_.readUInt16();
    if (units == 0 || (length_ - at - 2) / 2 < units) return std::nullopt;
    for (std::uint16_t i = 0; i < units; ++i) key.name.push_back(static_cast<char16_t>(stream_.readUInt16()));
    return key;
  }

  bool readData(std::uint32_t offset, const Resource& path) {
    if (offset > length_ || length_ - offset < kDataEntryLength) return false;
    stream_.seek(static_cast<std::int64_t>(rootAt_ + offset));
    const std::uint32_t rva = u32(stream_);
    const std::uint32_t size = u32(stream_);
    Resource resource = path;
    resource.codePage = u32(stream_);
    const std::optional<std::uint64_t> at = image_.fileOffset(rva, size);
    if (!at) return false;
    stream_.seek(static_cast<std::int64_t>(*at));
    resource.data = stream_.readBytes(size);
    const bool repeated = std::any_of(resources_.begin(), resources_.end(), [&](const Resource& r) {
      return r.type == resource.type && r.name == resource.name && r.language == resource.language;
    });
    if (stream_.failed() || repeated) return false;
    resources_.push_back(std::move(resource));
    return true;
  }

  AssetStream stream_;
  const Image& image_;
  std::uint64_t rootAt_;
  std::uint32_t length_;
  std::set<std::uint32_t> visited_;
  std::vector<Resource> resources_;
};

std::optional<std::size_t> resourceSection(const Image& image) {
  if (image.directories.size() <= kResourceDirectory) return std::nullopt;
  const std::uint32_t rva = image.directories[kResourceDirectory].rva;
  for (std::size_t i = 0; i < image.sections.size(); ++i) {
    if (image.sections[i].virtualAddress == rva && rva != 0) return i;
  }
  return std::nullopt;
}

// The new resource section: the tables of the three levels, the data entries, the names, then
// the data, each piece aligned as the linkers align it.
class SectionLayout {
 public:
  SectionLayout(const std::vector<Resource>& resources, std::uint32_t sectionRva) : rva_(sectionRva) {
    for (const Resource& r : resources) tree_[r.type][r.name][r.language] = &r;
    std::uint64_t at = kDirectoryLength + tree_.size() * kEntryLength;
    for (const auto& [type, names] : tree_) {
      tables_[&names] = at;
      at += kDirectoryLength + names.size() * kEntryLength;
    }
    for (const auto& [type, names] : tree_) {
      for (const auto& [name, languages] : names) {
        tables_[&languages] = at;
        at += kDirectoryLength + languages.size() * kEntryLength;
      }
    }
    for (const auto& [type, names] : tree_)
      for (const auto& [name, languages] : names)
        for (const auto& [language, resource] : languages) {
          dataEntries_[resource] = at;
          at += kDataEntryLength;
        }
    for (const auto& [type, names] : tree_) {
      placeName(type, at);
      for (const auto& [name, languages] : names) placeName(name, at);
    }
    for (const auto& [type, names] : tree_)
      for (const auto& [name, languages] : names)
        for (const auto& [language, resource] : languages) {
          at = alignUp(at, 8);
          data_[resource] = at;
          at += resource->data.size();
        }
    length_ = alignUp(at, 4);
  }

  std::uint64_t length() const { return length_; }

  void write(AssetStream& out, std::uint64_t start) const {
    out.seek(static_cast<std::int64_t>(start));
    table(out, start, 0, tree_, [&](const auto& names) { return tables_.at(&names) | kSubdirectory; });
    for (const auto& [type, names] : tree_) {
      table(out, start, tables_.at(&names), names,
            [&](const auto& languages) { return tables_.at(&languages) | kSubdirectory; });
    }
    for (const auto& [type, names] : tree_)
      for (const auto& [name, languages] : names)
        table(out, start, tables_.at(&languages), languages, [&](const Resource* resource) {
          return static_cast<std::uint32_t>(dataEntries_.at(resource));
        });
    for (const auto& [resource, at] : dataEntries_) {
      out.seek(static_cast<std::int64_t>(start + at));
      out.writeInt32(static_cast<std::int32_t>(rva_ + data_.at(resource)));
      out.writeInt32(static_cast<std::int32_t>(resource->data.size()));
      out.writeInt32(static_cast<std::int32_t>(resource->codePage));
      out.writeInt32(0);
    }
    for (const auto& [name, at] : names_) {
      out.seek(static_cast<std::int64_t>(start + at));
      out.writeUInt16(static_cast<std::uint16_t>(name.size()));
      for (char16_t unit : name) out.writeUInt16(unit);
    }
    for (const auto& [resource, at] : data_) {
      out.seek(static_cast<std::int64_t>(start + at));
      out.writeBytes(resource->data);
    }
  }

 private:
  using Languages = std::map<std::uint16_t, const Resource*>;
  using Names = std::map<ResourceKey, Languages>;

  void placeName(const ResourceKey& key, std::uint64_t& at) {
    if (!key.named() || names_.contains(key.name)) return;
    names_[key.name] = at;
    at += 2 + 2 * key.name.size();
  }

  std::uint32_t keyField(const ResourceKey& key) const {
    return key.named() ? static_cast<std::uint32_t>(names_.at(key.name)) | kSubdirectory : key.id;
  }
  std::uint32_t keyField(std::uint16_t language) const { return language; }

  // One table: its header with the counts of named and numbered entries, then the entries in the
  // map's order, which is the order the loader searches them in.
  template <typename Map, typename Target>
  void table(AssetStream& out, std::uint64_t start, std::uint64_t at, const Map& entries,
             const Target& target) const {
    out.seek(static_cast<std::int64_t>(start + at));
    std::uint16_t named = 0;
    for (const auto& [key, value] : entries) {
      if constexpr (std::is_same_v<std::decay_t<decltype(key)>, ResourceKey>) named += key.named();
    }
    for (int i = 0; i < 3; ++i) out.writeInt32(0);
    out.writeUInt16(named);
    out.writeUInt16(static_cast<std::uint16_t>(entries.size() - named));
    for (const auto& [key, value] : entries) {
      out.writeInt32(static_cast<std::int32_t>(keyField(key)));
      out.writeInt32(static_cast<std::int32_t>(target(value)));
    }
  }

  std::uint32_t rva_;
  std::map<ResourceKey, Names> tree_;
  std::map<const void*, std::uint64_t> tables_;
  std::map<const Resource*, std::uint64_t> dataEntries_;
  std::map<std::u16string, std::uint64_t> names_;
  std::map<const Resource*, std::uint64_t> data_;
  std::uint64_t length_ = 0;
};

// Whether the sections after the resource section can move: only ones the program never reaches
// by address (the relocations, debug data), and nothing that the loader patches lies in them.
bool canShiftAfter(std::span<const std::uint8_t> bytes, const Image& image, std::size_t index) {
  const Section& resources = image.sections[index];
  for (std::size_t i = index + 1; i < image.sections.size(); ++i) {
    const Section& s = image.sections[i];
    if ((s.characteristics & kDiscardable) == 0 || s.virtualAddress < resources.virtualAddress) return false;
    if (s.rawSize != 0 && s.rawPointer < resources.rawPointer + resources.rawSize) return false;
  }
  if (image.directories.size() > kSecurityDirectory && image.directories[kSecurityDirectory].size != 0)
    return false;
  for (std::size_t d = 0; d < image.directories.size(); ++d) {
    const DataDirectory& entry = image.directories[d];
    const bool inResources =
        entry.rva >= resources.virtualAddress &&
        entry.rva < resources.virtualAddress + std::max(resources.virtualSize, resources.rawSize);
    if (d != kResourceDirectory && d != kSecurityDirectory && entry.size != 0 && inResources) return false;
  }
  AssetStream stream(bytes);
  if (image.directories.size() > kRelocationDirectory && image.directories[kRelocationDirectory].size != 0) {
    const DataDirectory& relocations = image.directories[kRelocationDirectory];
    const std::optional<std::uint64_t> at = image.fileOffset(relocations.rva, relocations.size);
    if (!at) return false;
    for (std::uint64_t offset = 0; offset + 8 <= relocations.size;) {
      stream.seek(static_cast<std::int64_t>(*at + offset));
      const std::uint32_t page = u32(stream);
      const std::uint32_t blockLength = u32(stream);
      if (page >= resources.virtualAddress || blockLength < 8) return false;
      offset += blockLength;
    }
  }
  if (image.directories.size() > kDebugDirectory && image.directories[kDebugDirectory].size != 0) {
    const DataDirectory& debug = image.directories[kDebugDirectory];
    const std::optional<std::uint64_t> at = image.fileOffset(debug.rva, debug.size);
    if (!at) return false;
    for (std::uint32_t offset = 0; offset + 28 <= debug.size; offset += 28) {
      stream.seek(static_cast<std::int64_t>(*at + offset + 20));
      const std::uint32_t rva = u32(stream);
      const std::uint32_t pointer = u32(stream);
      if ((rva != 0 && rva >= resources.virtualAddress) || pointer >= resources.rawPointer) return false;
    }
  }
  return !stream.failed();
}

// The standard checksum of an image: 16-bit words summed with their carries folded in, the
// checksum field itself counted as zero, plus the file's length.
std::uint32_t imageChecksum(const Bytes& file, std::size_t checksumAt) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < file.size(); i += 2) {
    if (i == checksumAt || i == checksumAt + 2) continue;
    const std::uint32_t word = file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + file.size());
}

bool hasRepeats(const std::vector<Resource>& resources) {
  std::set<std::tuple<ResourceKey, ResourceKey, std::uint16_t>> seen;
  for (const Resource& r : resources) {
    if (!seen.insert({r.type, r.name, r.language}).second) return true;
  }
  return false;
}

}  // namespace

std::strong_ordering operator<=>(const ResourceKey& a, const ResourceKey& b) {
  if (a.named() != b.named()) return a.named() ? std::strong_ordering::less : std::strong_ordering::greater;
  if (a.named()) return a.name <=> b.name;
  return a.id <=> b.id;
}

std::optional<std::vector<Resource>> readResources(std::span<const std::uint8_t> image) {
  const std::optional<Image> parsed = readImage(image);
  if (!parsed) return std::nullopt;
  if (parsed->directories.size() <= kResourceDirectory || parsed->directories[kResourceDirectory].size == 0) {
    return std::vector<Resource>();
  }
  const DataDirectory& directory = parsed->directories[kResourceDirectory];
  const std::optional<std::uint64_t> at = parsed->fileOffset(directory.rva, directory.size);
  if (!at) return std::nullopt;
  return TreeReader(image, *parsed, *at, directory.size).read();
}

void putResource(std::vector<Resource>& resources, Resource added) {
  std::erase_if(resources, [&](const Resource& r) {
    return r.type == added.type && r.name == added.name && r.language == added.language;
  });
  resources.push_back(std::move(added));
}

bool writeWithResources(const std::wstring& path, std::span<const std::uint8_t> bytes,
                        const std::vector<Resource>& resources) {
  const std::optional<Image> image = readImage(bytes);
  if (!image || hasRepeats(resources)) return false;
  const std::optional<std::size_t> index = resourceSection(*image);
  if (!index || !canShiftAfter(bytes, *image, *index)) return false;
  const Section& old = image->sections[*index];
  const SectionLayout layout(resources, old.virtualAddress);
  const std::uint64_t rawSize = alignUp(layout.length(), image->fileAlignment);
  const std::int64_t fileShift = static_cast<std::int64_t>(rawSize) - old.rawSize;
  const std::int64_t addressShift =
      static_cast<std::int64_t>(alignUp(old.virtualAddress + layout.length(), image->sectionAlignment)) -
      static_cast<std::int64_t>(
          alignUp(std::uint64_t{old.virtualAddress} + old.virtualSize, image->sectionAlignment));
  const std::uint64_t oldEnd = std::uint64_t{old.rawPointer} + old.rawSize;
  if (old.virtualAddress + layout.length() > 0xFFFFFFFFu || bytes.size() + fileShift > 0xFFFFFFFFu)
    return false;

  AssetStream out;
  if (!out.create(path)) return false;
  out.writeBytes(bytes.subspan(0, old.rawPointer));
  layout.write(out, old.rawPointer);
  out.seek(static_cast<std::int64_t>(old.rawPointer + rawSize));
  out.writeBytes(bytes.subspan(oldEnd));

  auto put = [&](std::uint64_t at, std::uint32_t value) {
    out.seek(static_cast<std::int64_t>(at));
    out.writeInt32(static_cast<std::int32_t>(value));
  };
  put(old.headerAt + 8, static_cast<std::uint32_t>(layout.length()));
  put(old.headerAt + 16, static_cast<std::uint32_t>(rawSize));
  std::uint32_t imageEnd = 0;
  for (std::size_t i = 0; i < image->sections.size(); ++i) {
    Section s = image->sections[i];
    if (i > *index) {
      s.virtualAddress = static_cast<std::uint32_t>(s.virtualAddress + addressShift);
      if (s.rawSize != 0) s.rawPointer = static_cast<std::uint32_t>(s.rawPointer + fileShift);
      put(s.headerAt + 12, s.virtualAddress);
      put(s.headerAt + 20, s.rawPointer);
    }
    const std::uint32_t virtualSize =
        i == *index ? static_cast<std::uint32_t>(layout.length()) : s.virtualSize;
    imageEnd = std::max(imageEnd, static_cast<std::uint32_t>(
                                      alignUp(s.virtualAddress + virtualSize, image->sectionAlignment)));
  }
  put(image->sizeOfImageAt(), imageEnd);
  for (std::size_t d = 0; d < image->directories.size(); ++d) {
    const DataDirectory& entry = image->directories[d];
    const std::uint64_t at = image->directoriesAt + d * 8;
    if (d == kResourceDirectory) {
      put(at + 4, static_cast<std::uint32_t>(layout.length()));
    } else if (d != kSecurityDirectory && entry.size != 0 && entry.rva > old.virtualAddress) {
      put(at, static_cast<std::uint32_t>(entry.rva + addressShift));
    }
  }
  if (image->symbolTable >= oldEnd)
    put(image->coffAt + 8, static_cast<std::uint32_t>(image->symbolTable + fileShift));
  if ((old.characteristics & kInitializedData) != 0) {
    AssetStream in(bytes);
    in.seek(static_cast<std::int64_t>(image->initializedDataAt()));
    put(image->initializedDataAt(), static_cast<std::uint32_t>(u32(in) + fileShift));
  }

  out.seek(0);
  const Bytes written = out.readBytes(static_cast<std::uint64_t>(out.size()));
  put(image->checksumAt(), imageChecksum(written, image->checksumAt()));
  return !out.failed() && out.close();
}

}  // namespace pe
