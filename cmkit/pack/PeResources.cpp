#include "pack/PeResources.h"

#include <algorithm>
#include <array>
#include <set>

#include "stream/AssetStream.h"

namespace pe {
namespace {

constexpr std::size_t kResourceDirectory = 2;
constexpr std::size_t kSecurityDirectory = 4;
constexpr std::size_t kRelocationDirectory = 5;
constexpr std::size_t kDebugDirectory = 6;
constexpr std::size_t kBoundImportDirectory = 11;
constexpr std::size_t kKnownDirectories = 16;

constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kDirectoryTableSize = 16;
constexpr std::uint32_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr std::uint32_t kDebugEntrySize = 28;
constexpr std::uint32_t kSymbolSize = 18;
// Resource data is 8-byte aligned, as the linkers lay it out.
constexpr std::uint32_t kDataAlignment = 8;

constexpr std::uint32_t kCode = 0x00000020;
constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::uint32_t kDiscardable = 0x02000000;
constexpr std::uint32_t kExecute = 0x20000000;
constexpr std::uint32_t kRead = 0x40000000;
constexpr std::uint32_t kWrite = 0x80000000;
// In a directory entry: a name rather than an id, or a table rather than a data entry.
constexpr std::uint32_t kHighBit = 0x80000000;

std::uint32_t readUInt32(AssetStream& in) {
  return static_cast<std::uint32_t>(in.readInt32());
}

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool isPowerOfTwo(std::uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

struct Section {
  std::uint32_t headerOffset = 0;
  std::array<std::uint8_t, 8> name{};
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
  std::uint32_t relocationsOffset = 0;
  std::uint32_t lineNumbersOffset = 0;
  std::uint16_t relocationCount = 0;
  std::uint16_t lineNumberCount = 0;
  std::uint32_t characteristics = 0;

  // The loader maps VirtualSize bytes, or the raw size when a linker left VirtualSize zero.
  std::uint32_t extent() const { return virtualSize != 0 ? virtualSize : rawSize; }
};

struct DataDirectory {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;
  bool present() const { return rva != 0 || size != 0; }
  std::uint64_t end() const { return std::uint64_t{rva} + size; }
};

struct Image {
  std::uint64_t fileSize = 0;
  std::uint32_t coffOffset = 0;
  std::uint32_t symbolTableOffset = 0;
  std::uint32_t symbolCount = 0;
  std::uint32_t optionalOffset = 0;
  std::uint64_t imageBase = 0;
  std::uint32_t entryPoint = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t initializedDataSize = 0;
  std::uint32_t directoryTableOffset = 0;
  std::vector<DataDirectory> directories;
  std::uint32_t sectionTableOffset = 0;
  std::vector<Section> sections;

  DataDirectory directory(std::size_t index) const {
    return index < directories.size() ? directories[index] : DataDirectory{};
  }

  // Where the file holds the bytes at [rva, rva + size), all in one section's raw data.
  std::optional<std::uint64_t> fileOffset(std::uint64_t rva, std::uint64_t size) const {
    for (const Section& section : sections) {
      if (rva < section.virtualAddress) continue;
      const std::uint64_t start = rva - section.virtualAddress;
      const std::uint64_t backed = backedSize(section);
      if (start <= backed && size <= backed - start) return section.rawOffset + start;
    }
    return std::nullopt;
  }

  // How many bytes from rva on the file holds within that section.
  std::uint64_t availableFrom(std::uint64_t rva) const {
    for (const Section& section : sections) {
      if (rva < section.virtualAddress) continue;
      const std::uint64_t start = rva - section.virtualAddress;
      if (start < backedSize(section)) return backedSize(section) - start;
    }
    return 0;
  }

  // The part of a section that comes from the file (the rest of its memory is zeros).
  std::uint64_t backedSize(const Section& section) const {
    if (section.rawOffset > fileSize) return 0;
    return std::min<std::uint64_t>({section.rawSize, section.extent(), fileSize - section.rawOffset});
  }
};

std::optional<Image> parseImage(AssetStream& in) {
  Image image;
  image.fileSize = static_cast<std::uint64_t>(in.size());
  if (image.fileSize < 0x40) return std::nullopt;
  in.seek(0);
  if (in.readUInt16() != 0x5A4D) return std::nullopt;  // "MZ"
  in.seek(0x3C);
  const std::uint32_t signatureOffset = readUInt32(in);
  in.seek(signatureOffset);
  if (readUInt32(in) != 0x00004550 || in.failed()) return std::nullopt;  // "PE\0\0"

  image.coffOffset = signatureOffset + 4;
  in.seek(image.coffOffset + 2);
  const std::uint16_t sectionCount = in.readUInt16();
  in.seek(image.coffOffset + 8);
  image.symbolTableOffset = readUInt32(in);
  image.symbolCount = readUInt32(in);
  const std::uint16_t optionalSize = in.readUInt16();

  image.optionalOffset = image.coffOffset + 20;
  in.seek(image.optionalOffset);
  const std::uint16_t magic = in.readUInt16();
  if (magic != 0x10B && magic != 0x20B) return std::nullopt;
  const bool plus = magic == 0x20B;
  const std::uint32_t countField = plus ? 108 : 92;
  in.seek(image.optionalOffset + 8);
  image.initializedDataSize = readUInt32(in);
  in.seek(image.optionalOffset + 16);
  image.entryPoint = readUInt32(in);
  in.seek(image.optionalOffset + (plus ? 24 : 28));
  image.imageBase = plus ? static_cast<std::uint64_t>(in.readInt64()) : readUInt32(in);
  image.sectionAlignment = readUInt32(in);
  image.fileAlignment = readUInt32(in);
  in.seek(image.optionalOffset + 60);
  image.sizeOfHeaders = readUInt32(in);
  in.seek(image.optionalOffset + countField);
  const std::uint32_t directoryCount = readUInt32(in);
  image.directoryTableOffset = image.optionalOffset + countField + 4;
  if (countField + 4 + std::uint64_t{directoryCount} * 8 > optionalSize) return std::nullopt;
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(directoryCount, kKnownDirectories); ++i) {
    DataDirectory directory;
    directory.rva = readUInt32(in);
    directory.size = readUInt32(in);
    image.directories.push_back(directory);
  }

  image.sectionTableOffset = image.optionalOffset + optionalSize;
  in.seek(image.sectionTableOffset);
  if (!in.canRead(sectionCount, kSectionHeaderSize)) return std::nullopt;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    Section section;
    section.headerOffset = static_cast<std::uint32_t>(in.position());
    for (std::uint8_t& c : section.name) c = in.readByte();
    section.virtualSize = readUInt32(in);
    section.virtualAddress = readUInt32(in);
    section.rawSize = readUInt32(in);
    section.rawOffset = readUInt32(in);
    section.relocationsOffset = readUInt32(in);
    section.lineNumbersOffset = readUInt32(in);
    section.relocationCount = in.readUInt16();
    section.lineNumberCount = in.readUInt16();
    section.characteristics = readUInt32(in);
    image.sections.push_back(section);
  }
  if (in.failed()) return std::nullopt;
  return image;
}

// Walks the three levels of the directory (type, name, language) within the bytes the file holds
// of its section. A table may be reached once only, which rules out loops and shared subtrees
// that would multiply the resources; the data may not add up to more than the image.
class DirectoryReader {
 public:
  DirectoryReader(AssetStream& in, const Image& image, std::uint64_t baseOffset, std::uint64_t available)
      : in_(in), image_(image), base_(baseOffset), available_(available) {}

  std::optional<std::vector<Resource>> read() {
    std::vector<Resource> resources;
    const auto types = table(0);
    if (!types) return std::nullopt;
    for (const Entry& typeEntry : *types) {
      const auto type = key(typeEntry.name);
      const auto names = subtable(typeEntry.target);
      if (!type || !names) return std::nullopt;
      for (const Entry& nameEntry : *names) {
        const auto name = key(nameEntry.name);
        const auto languages = subtable(nameEntry.target);
        if (!name || !languages) return std::nullopt;
        for (const Entry& languageEntry : *languages) {
          if (languageEntry.name > 0xFFFF || (languageEntry.target & kHighBit) != 0) return std::nullopt;
          Resource resource;
          resource.type = *type;
          resource.name = *name;
          resource.language = static_cast<std::uint16_t>(languageEntry.name);
          if (!readData(languageEntry.target, resource)) return std::nullopt;
          resources.push_back(std::move(resource));
        }
      }
    }
    if (in_.failed()) return std::nullopt;
    return resources;
  }

 private:
  struct Entry {
    std::uint32_t name;
    std::uint32_t target;
  };

  bool fits(std::uint64_t offset, std::uint64_t size) const {
    return offset <= available_ && size <= available_ - offset;
  }

  std::optional<std::vector<Entry>> table(std::uint32_t offset) {
    if (!fits(offset, kDirectoryTableSize) || !visited_.insert(offset).second) return std::nullopt;
    in_.seek(static_cast<std::int64_t>(base_ + offset + 12));
    const std::uint32_t count = std::uint32_t{in_.readUInt16()} + in_.readUInt16();
    if (!fits(offset + kDirectoryTableSize, std::uint64_t{count} * kDirectoryEntrySize)) return std::nullopt;
    std::vector<Entry> entries(count);
    for (Entry& entry : entries) {
      entry.name = readUInt32(in_);
      entry.target = readUInt32(in_);
    }
    if (in_.failed()) return std::nullopt;
    return entries;
  }

  std::optional<std::vector<Entry>> subtable(std::uint32_t target) {
    if ((target & kHighBit) == 0) return std::nullopt;
    return table(target & ~kHighBit);
  }

  std::optional<ResourceKey> key(std::uint32_t field) {
    if ((field & kHighBit) == 0) {
      if (field > 0xFFFF) return std::nullopt;
      return ResourceKey::ofId(static_cast<std::uint16_t>(field));
    }
    const std::uint32_t offset = field & ~kHighBit;
    if (!fits(offset, 2)) return std::nullopt;
    in_.seek(static_cast<std::int64_t>(base_ + offset));
    const std::uint16_t length = in_.readUInt16();
    if (length == 0 || !fits(offset + 2, std::uint64_t{length} * 2)) return std::nullopt;
    ResourceKey key;
    key.name.resize(length);
    for (char16_t& c : key.name) c = static_cast<char16_t>(in_.readUInt16());
    return key;
  }

  bool readData(std::uint32_t offset, Resource& resource) {
    if (!fits(offset, kDataEntrySize)) return false;
    in_.seek(static_cast<std::int64_t>(base_ + offset));
    const std::uint32_t rva = readUInt32(in_);
    const std::uint32_t size = readUInt32(in_);
    resource.codePage = readUInt32(in_);
    const auto at = image_.fileOffset(rva, size);
    totalData_ += size;
    if (!at || totalData_ > image_.fileSize) return false;
    in_.seek(static_cast<std::int64_t>(*at));
    resource.data = in_.readBytes(size);
    return !in_.failed();
  }

  AssetStream& in_;
  const Image& image_;
  std::uint64_t base_;
  std::uint64_t available_;
  std::set<std::uint32_t> visited_;
  std::uint64_t totalData_ = 0;
};

bool sameSlot(const Resource& a, const Resource& b) {
  return a.type == b.type && a.name == b.name && a.language == b.language;
}

bool slotBefore(const Resource* a, const Resource* b) {
  if (const auto order = a->type <=> b->type; order != 0) return order < 0;
  if (const auto order = a->name <=> b->name; order != 0) return order < 0;
  return a->language < b->language;
}

// The new resource section: every table first (the root, the type tables, then the name tables),
// then the data entries, the names, and the data.
class SectionLayout {
 public:
  static std::optional<SectionLayout> of(const std::vector<Resource>& resources) {
    SectionLayout layout;
    for (const Resource& resource : resources) layout.ordered_.push_back(&resource);
    std::sort(layout.ordered_.begin(), layout.ordered_.end(), slotBefore);
    for (std::size_t i = 0; i < layout.ordered_.size(); ++i) {
      const Resource& resource = *layout.ordered_[i];
      if (i > 0 && sameSlot(*layout.ordered_[i - 1], resource)) return std::nullopt;
      if (layout.types_.empty() || !(*layout.types_.back().key == resource.type)) {
        layout.types_.emplace_back(&resource.type);
      }
      std::vector<Group>& names = layout.types_.back().children;
      if (names.empty() || !(*names.back().key == resource.name)) names.emplace_back(&resource.name);
      names.back().resources.push_back(i);
    }
    if (!layout.place()) return std::nullopt;
    return layout;
  }

  std::uint32_t size() const { return size_; }

  void write(AssetStream& out, std::uint32_t sectionRva) const {
    const std::int64_t start = out.position();
    writeTable(out, types_, [](const Group& type) { return kHighBit | type.table; });
    for (const Group& type : types_) {
      writeTable(out, type.children, [](const Group& name) { return kHighBit | name.table; });
    }
    for (const Group& type : types_) {
      for (const Group& name : type.children) {
        writeTableHeader(out, 0, static_cast<std::uint16_t>(name.resources.size()));
        for (std::size_t index : name.resources) {
          out.writeInt32(ordered_[index]->language);
          out.writeInt32(static_cast<std::int32_t>(dataEntries_ + index * kDataEntrySize));
        }
      }
    }
    for (std::size_t i = 0; i < ordered_.size(); ++i) {
      out.writeInt32(static_cast<std::int32_t>(sectionRva + dataOffsets_[i]));
      out.writeInt32(static_cast<std::int32_t>(ordered_[i]->data.size()));
      out.writeInt32(static_cast<std::int32_t>(ordered_[i]->codePage));
      out.writeInt32(0);
    }
    forEachName(*this, [&](const Group& group) {
      out.writeUInt16(static_cast<std::uint16_t>(group.key->name.size()));
      for (char16_t c : group.key->name) out.writeUInt16(c);
    });
    for (std::size_t i = 0; i < ordered_.size(); ++i) {
      padTo(out, start + dataOffsets_[i]);
      out.writeBytes(ordered_[i]->data);
    }
    padTo(out, start + size_);
  }

  static void padTo(AssetStream& out, std::int64_t position) {
    if (out.position() < position) {
      out.writeBytes(std::vector<std::uint8_t>(static_cast<std::size_t>(position - out.position()), 0));
    }
  }

 private:
  // A type with its names, or a name with its resources (indices into ordered_).
  struct Group {
    explicit Group(const ResourceKey* groupKey) : key(groupKey) {}
    const ResourceKey* key;
    std::vector<Group> children;
    std::vector<std::size_t> resources;
    std::uint32_t table = 0;
    std::uint32_t string = 0;
  };

  // The named groups in the order their strings are laid out: the types, then the names.
  template <typename Self, typename Visit>
  static void forEachName(Self& self, Visit visit) {
    for (auto& type : self.types_) {
      if (type.key->named()) visit(type);
    }
    for (auto& type : self.types_) {
      for (auto& name : type.children) {
        if (name.key->named()) visit(name);
      }
    }
  }

  static std::uint64_t tableSize(std::size_t entries) {
    return kDirectoryTableSize + std::uint64_t{entries} * kDirectoryEntrySize;
  }

  static bool countsFit(const std::vector<Group>& groups) {
    const auto named =
        std::count_if(groups.begin(), groups.end(), [](const Group& g) { return g.key->named(); });
    return named <= 0xFFFF && groups.size() - static_cast<std::size_t>(named) <= 0xFFFF;
  }

  bool place() {
    // Offsets carry a flag in their high bit, so the whole section stays below it.
    constexpr std::uint64_t kLimit = kHighBit;
    if (!countsFit(types_)) return false;
    std::uint64_t offset = tableSize(types_.size());
    for (Group& type : types_) {
      if (!countsFit(type.children)) return false;
      type.table = static_cast<std::uint32_t>(offset);
      offset += tableSize(type.children.size());
      if (offset >= kLimit) return false;
    }
    for (Group& type : types_) {
      for (Group& name : type.children) {
        if (name.resources.size() > 0xFFFF) return false;
        name.table = static_cast<std::uint32_t>(offset);
        offset += tableSize(name.resources.size());
        if (offset >= kLimit) return false;
      }
    }
    dataEntries_ = static_cast<std::uint32_t>(offset);
    offset += std::uint64_t{ordered_.size()} * kDataEntrySize;
    bool fits = offset < kLimit;
    forEachName(*this, [&](Group& group) {
      fits = fits && group.key->name.size() <= 0xFFFF;
      group.string = static_cast<std::uint32_t>(offset);
      offset += 2 + std::uint64_t{group.key->name.size()} * 2;
      fits = fits && offset < kLimit;
    });
    if (!fits) return false;
    for (const Resource* resource : ordered_) {
      offset = alignUp(offset, kDataAlignment);
      dataOffsets_.push_back(static_cast<std::uint32_t>(offset));
      offset += resource->data.size();
      if (offset >= kLimit) return false;
    }
    size_ = static_cast<std::uint32_t>(offset);
    return true;
  }

  static void writeTableHeader(AssetStream& out, std::uint16_t named, std::uint16_t ids) {
    out.writeInt32(0);  // characteristics
    out.writeInt32(0);  // time stamp: none, so that the same resources make the same bytes
    out.writeInt32(0);  // version
    out.writeUInt16(named);
    out.writeUInt16(ids);
  }

  template <typename Target>
  static void writeTable(AssetStream& out, const std::vector<Group>& groups, Target target) {
    const auto named =
        std::count_if(groups.begin(), groups.end(), [](const Group& g) { return g.key->named(); });
    writeTableHeader(out, static_cast<std::uint16_t>(named),
                     static_cast<std::uint16_t>(groups.size() - named));
    for (const Group& group : groups) {
      out.writeInt32(static_cast<std::int32_t>(group.key->named() ? kHighBit | group.string : group.key->id));
      out.writeInt32(static_cast<std::int32_t>(target(group)));
    }
  }

  std::vector<const Resource*> ordered_;
  std::vector<Group> types_;
  std::vector<std::uint32_t> dataOffsets_;
  std::uint32_t dataEntries_ = 0;
  std::uint32_t size_ = 0;
};

struct Patch {
  std::uint64_t offset;  // in the new file
  std::uint32_t value;
  unsigned width = 4;
};

// Where the resource section goes and how everything after it moves. Sections from oldEnd (an
// RVA) on move by rvaDelta; file bytes from tailStart on move by fileDelta.
struct Plan {
  bool adding = false;
  std::size_t section = 0;
  std::uint32_t sectionRva = 0;
  std::uint32_t oldEnd = 0;
  std::uint64_t insertOffset = 0;
  std::uint64_t tailStart = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::int64_t rvaDelta = 0;
  std::int64_t fileDelta = 0;
  std::vector<Patch> patches;

  // The new place of a file range that is not the resource section's own.
  std::optional<std::uint64_t> movedRange(std::uint64_t offset, std::uint64_t length) const {
    if (offset + length <= insertOffset) return offset;
    if (offset >= tailStart) return offset + fileDelta;
    return std::nullopt;
  }
  std::uint64_t moved(std::uint64_t offset) const {
    return offset >= tailStart ? offset + fileDelta : offset;
  }
  bool shifted(std::uint64_t rva) const { return rva >= oldEnd; }
  bool before(const DataDirectory& directory) const { return directory.end() <= sectionRva; }
  void patch(std::uint64_t oldOffset, std::uint64_t value) {
    patches.push_back({moved(oldOffset), static_cast<std::uint32_t>(value)});
  }
};

// Relocations may only fix up places before the resource section, and only with addresses before
// it: an address into the section or past it would point at other bytes once they move.
bool relocationsAllowRebuild(AssetStream& in, const Image& image, std::uint32_t sectionRva) {
  const DataDirectory directory = image.directory(kRelocationDirectory);
  if (!directory.present()) return true;
  const auto start = image.fileOffset(directory.rva, directory.size);
  if (!start) return false;
  std::uint64_t position = 0;
  while (position < directory.size) {
    if (directory.size - position < 8) return false;
    in.seek(static_cast<std::int64_t>(*start + position));
    const std::uint32_t page = readUInt32(in);
    const std::uint32_t blockSize = readUInt32(in);
    if (blockSize < 8 || blockSize % 2 != 0 || blockSize > directory.size - position) return false;
    for (std::uint32_t at = 8; at < blockSize; at += 2) {
      in.seek(static_cast<std::int64_t>(*start + position + at));
      const std::uint16_t entry = in.readUInt16();
      const unsigned type = entry >> 12;
      if (type == 0) continue;  // padding
      const unsigned width = type == 3 ? 4 : type == 10 ? 8 : 0;
      const std::uint64_t rva = std::uint64_t{page} + (entry & 0xFFF);
      if (width == 0 || rva + width > sectionRva) return false;
      const auto place = image.fileOffset(rva, width);
      if (!place) return false;
      in.seek(static_cast<std::int64_t>(*place));
      const std::uint64_t address = width == 8 ? static_cast<std::uint64_t>(in.readInt64()) : readUInt32(in);
      if (address < image.imageBase || address - image.imageBase >= sectionRva) return false;
    }
    position += blockSize;
  }
  return !in.failed();
}

// The debug directory's entries name their data by RVA and by file offset; both follow the move.
bool planDebugDirectory(AssetStream& in, const Image& image, Plan& plan) {
  const DataDirectory directory = image.directory(kDebugDirectory);
  if (!directory.present()) return true;
  if (directory.size % kDebugEntrySize != 0 || (!plan.before(directory) && !plan.shifted(directory.rva))) {
    return false;
  }
  const auto start = image.fileOffset(directory.rva, directory.size);
  if (!start) return false;
  for (std::uint64_t entry = *start; entry < *start + directory.size; entry += kDebugEntrySize) {
    in.seek(static_cast<std::int64_t>(entry + 16));
    const std::uint32_t size = readUInt32(in);
    const std::uint32_t address = readUInt32(in);
    const std::uint32_t pointer = readUInt32(in);
    if (address != 0) {
      if (plan.shifted(address)) {
        plan.patch(entry + 20, address + plan.rvaDelta);
      } else if (std::uint64_t{address} + size > plan.sectionRva) {
        return false;
      }
    }
    if (pointer != 0) {
      const auto movedPointer = plan.movedRange(pointer, size);
      if (!movedPointer) return false;
      if (*movedPointer != pointer) plan.patch(entry + 24, *movedPointer);
    }
  }
  if (plan.shifted(directory.rva)) {
    plan.patch(image.directoryTableOffset + kDebugDirectory * 8, directory.rva + plan.rvaDelta);
  }
  return !in.failed();
}

bool planSectionHeaders(const Image& image, Plan& plan) {
  for (std::size_t i = 0; i < image.sections.size(); ++i) {
    const Section& section = image.sections[i];
    if (!plan.adding && i == plan.section) continue;
    const bool moves = section.virtualAddress > plan.sectionRva;
    if (moves) {
      // Only sections that nothing reaches but through a data directory may move.
      if ((section.characteristics & kDiscardable) == 0 ||
          (section.characteristics & (kCode | kExecute | kWrite)) != 0) {
        return false;
      }
      plan.patch(section.headerOffset + 12, section.virtualAddress + plan.rvaDelta);
    }
    const std::uint64_t rawLength = section.rawSize;
    const std::pair<std::uint64_t, std::uint64_t> ranges[] = {
        {section.rawOffset, rawLength},
        {section.relocationsOffset, std::uint64_t{section.relocationCount} * 10},
        {section.lineNumbersOffset, std::uint64_t{section.lineNumberCount} * 6},
    };
    for (std::size_t field = 0; field < std::size(ranges); ++field) {
      const auto [offset, length] = ranges[field];
      if (offset == 0) continue;
      const auto movedOffset = plan.movedRange(offset, length);
      if (!movedOffset || (field == 0 && length != 0 && moves != (offset >= plan.tailStart))) return false;
      if (*movedOffset != offset) plan.patch(section.headerOffset + 20 + 4 * field, *movedOffset);
    }
  }
  return true;
}

bool planSymbolTable(AssetStream& in, const Image& image, Plan& plan) {
  if (image.symbolTableOffset == 0) return true;
  const std::uint64_t symbols = std::uint64_t{image.symbolCount} * kSymbolSize;
  std::uint64_t stringsSize = 0;
  if (image.symbolTableOffset + symbols + 4 <= image.fileSize) {
    in.seek(static_cast<std::int64_t>(image.symbolTableOffset + symbols));
    stringsSize = readUInt32(in);
  }
  const auto moved = plan.movedRange(image.symbolTableOffset, symbols + stringsSize);
  if (!moved) return false;
  if (*moved != image.symbolTableOffset) plan.patch(image.coffOffset + 8, *moved);
  return true;
}

bool sectionsInOrder(const Image& image) {
  std::uint64_t end = 0;
  for (const Section& section : image.sections) {
    if (section.virtualAddress < end) return false;
    if (section.rawSize != 0 && std::uint64_t{section.rawOffset} + section.rawSize > image.fileSize)
      return false;
    end = alignUp(std::uint64_t{section.virtualAddress} + section.extent(), image.sectionAlignment);
  }
  return true;
}

// A new section header goes after the last one: the headers must have room for it, unused.
bool headerRoomForSection(AssetStream& in, const Image& image) {
  const std::uint64_t slot =
      image.sectionTableOffset + std::uint64_t{image.sections.size()} * kSectionHeaderSize;
  std::uint64_t firstData = image.sizeOfHeaders;
  for (const Section& section : image.sections) {
    if (section.rawSize != 0) firstData = std::min<std::uint64_t>(firstData, section.rawOffset);
  }
  if (slot + kSectionHeaderSize > firstData || image.sections.size() >= 0xFFFF) return false;
  const DataDirectory bound = image.directory(kBoundImportDirectory);
  if (bound.present() && bound.rva < slot + kSectionHeaderSize && bound.end() > slot) return false;
  in.seek(static_cast<std::int64_t>(slot));
  const std::vector<std::uint8_t> unused = in.readBytes(kSectionHeaderSize);
  return !in.failed() && std::all_of(unused.begin(), unused.end(), [](std::uint8_t b) { return b == 0; });
}

std::optional<Plan> planRebuild(AssetStream& in, const Image& image, std::uint32_t contentSize) {
  const std::uint32_t fileAlignment = image.fileAlignment;
  const std::uint32_t sectionAlignment = image.sectionAlignment;
  if (!isPowerOfTwo(fileAlignment) || !isPowerOfTwo(sectionAlignment) || fileAlignment > 0x10000 ||
      fileAlignment > sectionAlignment || image.directories.size() <= kResourceDirectory ||
      image.sections.empty() || !sectionsInOrder(image)) {
    return std::nullopt;
  }
  // A signature covers the bytes that change, and its certificate sits in the moved tail.
  if (image.directory(kSecurityDirectory).present()) return std::nullopt;

  Plan plan;
  plan.virtualSize = contentSize;
  plan.rawSize = static_cast<std::uint32_t>(alignUp(contentSize, fileAlignment));
  const DataDirectory resources = image.directory(kResourceDirectory);
  const auto named = [](const Section& s) {
    return std::string(s.name.begin(), s.name.end()).starts_with(".rsrc");
  };
  if (resources.present()) {
    const auto found = std::find_if(image.sections.begin(), image.sections.end(),
                                    [&](const Section& s) { return s.virtualAddress == resources.rva; });
    if (found == image.sections.end()) return std::nullopt;
    const Section& section = *found;
    if (section.rawSize == 0 || section.rawOffset % fileAlignment != 0) return std::nullopt;
    plan.section = static_cast<std::size_t>(found - image.sections.begin());
    plan.sectionRva = section.virtualAddress;
    plan.oldEnd = static_cast<std::uint32_t>(
        alignUp(std::uint64_t{section.virtualAddress} + section.extent(), sectionAlignment));
    plan.insertOffset = section.rawOffset;
    // ld leaves the raw size of .rsrc unaligned; the padding up to the next file block is its own.
    plan.tailStart =
        std::min(alignUp(std::uint64_t{section.rawOffset} + section.rawSize, fileAlignment), image.fileSize);
    plan.rvaDelta =
        static_cast<std::int64_t>(alignUp(std::uint64_t{plan.sectionRva} + contentSize, sectionAlignment)) -
        plan.oldEnd;
    plan.fileDelta = static_cast<std::int64_t>(plan.insertOffset + plan.rawSize - plan.tailStart);
    plan.patch(section.headerOffset + 8, plan.virtualSize);
    plan.patch(section.headerOffset + 16, plan.rawSize);
  } else {
    if (std::any_of(image.sections.begin(), image.sections.end(), named) ||
        !headerRoomForSection(in, image)) {
      return std::nullopt;
    }
    plan.adding = true;
    std::uint64_t end = 0;
    std::uint64_t dataEnd = alignUp(image.sizeOfHeaders, fileAlignment);
    for (const Section& section : image.sections) {
      end = alignUp(std::uint64_t{section.virtualAddress} + section.extent(), sectionAlignment);
      if (section.rawSize != 0) {
        dataEnd = std::max<std::uint64_t>(dataEnd, std::uint64_t{section.rawOffset} + section.rawSize);
      }
    }
    if (end > 0xFFFFFFFF || dataEnd % fileAlignment != 0) return std::nullopt;
    plan.sectionRva = plan.oldEnd = static_cast<std::uint32_t>(end);
    plan.insertOffset = plan.tailStart = dataEnd;
    plan.fileDelta = plan.rawSize;
    const std::uint64_t header = image.sectionTableOffset + image.sections.size() * kSectionHeaderSize;
    const std::uint32_t fields[] = {0x7273722E,
                                    0x63,
                                    plan.virtualSize,
                                    plan.sectionRva,
                                    plan.rawSize,
                                    static_cast<std::uint32_t>(plan.insertOffset),
                                    0,
                                    0,
                                    0,
                                    kInitializedData | kRead};  // ".rsrc", no relocations or lines
    for (std::size_t i = 0; i < std::size(fields); ++i) plan.patch(header + 4 * i, fields[i]);
  }
  // The headers that change must stay clear of the bytes that move.
  const std::uint64_t headersEnd =
      image.sectionTableOffset +
      std::uint64_t{image.sections.size() + (plan.adding ? 1 : 0)} * kSectionHeaderSize;
  if (plan.tailStart > image.fileSize || headersEnd > plan.insertOffset ||
      image.entryPoint >= plan.sectionRva || !relocationsAllowRebuild(in, image, plan.sectionRva) ||
      !planSectionHeaders(image, plan) || !planSymbolTable(in, image, plan) ||
      !planDebugDirectory(in, image, plan)) {
    return std::nullopt;
  }

  for (std::size_t i = 0; i < image.directories.size(); ++i) {
    const DataDirectory directory = image.directories[i];
    if (i == kResourceDirectory || i == kDebugDirectory || i == kBoundImportDirectory ||
        !directory.present()) {
      continue;
    }
    if (i == kRelocationDirectory && plan.shifted(directory.rva)) {
      plan.patch(image.directoryTableOffset + i * 8, directory.rva + plan.rvaDelta);
      continue;
    }
    // The other tables hold RVAs of their own, which would go stale if they moved.
    if (!plan.before(directory)) return std::nullopt;
  }
  plan.patch(image.directoryTableOffset + kResourceDirectory * 8, plan.sectionRva);
  plan.patch(image.directoryTableOffset + kResourceDirectory * 8 + 4, plan.virtualSize);

  std::uint64_t imageEnd = alignUp(image.sizeOfHeaders, sectionAlignment);
  for (std::size_t i = 0; i < image.sections.size(); ++i) {
    const Section& section = image.sections[i];
    std::uint64_t start = section.virtualAddress;
    if (start > plan.sectionRva) start += plan.rvaDelta;
    const std::uint64_t extent = !plan.adding && i == plan.section ? plan.virtualSize : section.extent();
    imageEnd = std::max(imageEnd, alignUp(start + extent, sectionAlignment));
  }
  if (plan.adding) imageEnd = alignUp(std::uint64_t{plan.sectionRva} + plan.virtualSize, sectionAlignment);
  const bool initialized =
      plan.adding || (image.sections[plan.section].characteristics & kInitializedData) != 0;
  const std::int64_t initializedData =
      std::int64_t{image.initializedDataSize} + (initialized ? plan.fileDelta : 0);
  if (imageEnd > 0xFFFFFFFF || image.fileSize + plan.fileDelta > 0xFFFFFFFF || initializedData < 0 ||
      initializedData > 0xFFFFFFFF) {
    return std::nullopt;
  }
  if (plan.adding) {
    plan.patches.push_back({image.coffOffset + 2, static_cast<std::uint32_t>(image.sections.size() + 1), 2});
  }
  plan.patch(image.optionalOffset + 8, static_cast<std::uint64_t>(initializedData));
  plan.patch(image.optionalOffset + 56, imageEnd);
  plan.patch(image.optionalOffset + 64, 0);  // the checksum, summed over the finished file
  return plan;
}

// The optional header's checksum: the file's 16-bit words summed with end-around carry, plus its
// length, with the checksum field itself zero.
std::uint32_t imageChecksum(std::span<const std::uint8_t> bytes) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes.size());
}

}  // namespace

std::strong_ordering operator<=>(const ResourceKey& a, const ResourceKey& b) {
  if (a.named() != b.named()) return a.named() ? std::strong_ordering::less : std::strong_ordering::greater;
  if (a.named()) return a.name <=> b.name;
  return a.id <=> b.id;
}

std::optional<std::vector<Resource>> readResources(std::span<const std::uint8_t> bytes) {
  AssetStream in(bytes);
  const auto image = parseImage(in);
  if (!image) return std::nullopt;
  const DataDirectory directory = image->directory(kResourceDirectory);
  if (!directory.present()) return std::vector<Resource>{};
  const auto base = image->fileOffset(directory.rva, kDirectoryTableSize);
  if (!base) return std::nullopt;
  auto resources = DirectoryReader(in, *image, *base, image->availableFrom(directory.rva)).read();
  if (!resources) return std::nullopt;
  std::vector<const Resource*> ordered;
  for (const Resource& resource : *resources) ordered.push_back(&resource);
  std::sort(ordered.begin(), ordered.end(), slotBefore);
  for (std::size_t i = 1; i < ordered.size(); ++i) {
    if (sameSlot(*ordered[i - 1], *ordered[i])) return std::nullopt;
  }
  return resources;
}

void putResource(std::vector<Resource>& resources, Resource added) {
  const auto found = std::find_if(resources.begin(), resources.end(),
                                  [&](const Resource& resource) { return sameSlot(resource, added); });
  if (found != resources.end()) {
    *found = std::move(added);
  } else {
    resources.push_back(std::move(added));
  }
}

bool writeWithResources(const std::wstring& path, std::span<const std::uint8_t> bytes,
                        const std::vector<Resource>& resources) {
  AssetStream in(bytes);
  const auto image = parseImage(in);
  if (!image) return false;
  const auto layout = SectionLayout::of(resources);
  if (!layout) return false;
  const auto plan = planRebuild(in, *image, layout->size());
  if (!plan || in.failed()) return false;

  AssetStream out;
  if (!out.create(path)) return false;
  out.writeBytes(bytes.first(plan->insertOffset));
  layout->write(out, plan->sectionRva);
  SectionLayout::padTo(out, static_cast<std::int64_t>(plan->insertOffset + plan->rawSize));
  out.writeBytes(bytes.subspan(plan->tailStart));
  for (const Patch& patch : plan->patches) {
    out.seek(static_cast<std::int64_t>(patch.offset));
    if (patch.width == 2) {
      out.writeUInt16(static_cast<std::uint16_t>(patch.value));
    } else {
      out.writeInt32(static_cast<std::int32_t>(patch.value));
    }
  }
  out.seek(0);
  const std::uint32_t checksum = imageChecksum(out.readBytes(static_cast<std::uint64_t>(out.size())));
  out.seek(image->optionalOffset + 64);
  out.writeInt32(static_cast<std::int32_t>(checksum));
  return out.close();
}

}  // namespace pe
