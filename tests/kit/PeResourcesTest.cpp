// The resource-section rewriter of cmkit pack. Natively, on small images laid out here the way
// the linkers lay them out; under Wine, on the project's own programs, with Windows' loader as the
// judge: the rewritten copies must load as images, hold every old resource and the new ones, carry
// a checksum Windows agrees with, and still run.
#ifdef _WIN32
#include <windows.h>
#include <imagehlp.h>
#endif

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>

#include "pack/PeResources.h"
#include "platform/Platform.h"
#include "stream/AssetStream.h"
#include "support/ChildProcess.h"
#include "support/Files.h"
#include "support/ObjectData.h"
#include "support/SerializedFileBuilder.h"

using namespace testsupport;

namespace {

constexpr std::uint32_t kSectionTable32 = 0x98 + 224;
constexpr std::uint32_t kSectionTable64 = 0x98 + 240;
constexpr std::uint32_t kOptionalHeader = 0x98;
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;

std::uint32_t readU32(const Bytes& bytes, std::uint64_t offset) {
  AssetStream in(bytes);
  in.seek(static_cast<std::int64_t>(offset));
  return static_cast<std::uint32_t>(in.readInt32());
}

void poke(const std::filesystem::path& path, std::uint64_t offset, std::uint32_t value, int width = 4) {
  AssetStream out;
  ASSERT_TRUE(out.open(path.wstring(), false));
  out.seek(static_cast<std::int64_t>(offset));
  if (width == 2) {
    out.writeUInt16(static_cast<std::uint16_t>(value));
  } else {
    out.writeInt32(static_cast<std::int32_t>(value));
  }
  ASSERT_TRUE(out.close());
}

// A small image as a linker lays it out: .text with one relocated pointer into itself, an empty
// .rsrc (unless left out), .reloc, a COFF symbol table with its strings, and an overlay.
struct TestImage {
  bool plus = true;
  bool withResources = true;

  std::uint32_t sectionTable() const { return plus ? kSectionTable64 : kSectionTable32; }
  std::uint32_t sectionHeader(int index) const { return sectionTable() + 40 * index; }
  std::uint32_t directory(int index) const { return kOptionalHeader + (plus ? 112 : 96) + 8 * index; }
  std::uint32_t resourceOffset() const { return 0x600; }
  std::uint32_t relocationRva() const { return withResources ? 0x3000 : 0x2000; }
  std::uint32_t relocationOffset() const { return withResources ? 0x800 : 0x600; }
  std::uint32_t symbolsOffset() const { return relocationOffset() + kFileAlignment; }
  std::uint64_t imageBase() const { return plus ? 0x140000000 : 0x400000; }

  static Bytes symbols() {
    Bytes bytes(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const Bytes strings = {8, 0, 0, 0, 's', 'y', 'm', 0};
    bytes.insert(bytes.end(), strings.begin(), strings.end());
    return bytes;
  }
  static Bytes overlay() { return {'a', 'p', 'p', 'e', 'n', 'd', 'e', 'd', 0, 1, 2, 3}; }
  static Bytes tail() {
    Bytes bytes = symbols();
    const Bytes appended = overlay();
    bytes.insert(bytes.end(), appended.begin(), appended.end());
    return bytes;
  }
  static Bytes relocations() { return {0x00, 0x10, 0, 0, 12, 0, 0, 0, 0x10, 0xA0, 0, 0}; }

  void write(const std::filesystem::path& path) const {
    const int sections = withResources ? 3 : 2;
    AssetStream out;
    ASSERT_TRUE(out.create(path.wstring()));
    out.writeUInt16(0x5A4D);
    out.seek(0x3C);
    out.writeInt32(0x80);
    out.seek(0x80);
    out.writeInt32(0x00004550);
    out.writeUInt16(plus ? 0x8664 : 0x14C);
    out.writeUInt16(static_cast<std::uint16_t>(sections));
    out.writeInt32(0);
    out.writeInt32(static_cast<std::int32_t>(symbolsOffset()));
    out.writeInt32(2);
    out.writeUInt16(plus ? 240 : 224);
    out.writeUInt16(plus ? 0x0022 : 0x0102);
    out.writeUInt16(plus ? 0x20B : 0x10B);
    out.seek(kOptionalHeader + 8);
    out.writeInt32(2 * kFileAlignment);  // initialized data: the file blocks of .rsrc and .reloc
    out.seek(kOptionalHeader + 16);
    out.writeInt32(0x1000);  // entry point
    out.writeInt32(0x1000);  // base of code
    out.seek(kOptionalHeader + (plus ? 24 : 28));
    if (plus) {
      out.writeInt64(static_cast<std::int64_t>(imageBase()));
    } else {
      out.writeInt32(static_cast<std::int32_t>(imageBase()));
    }
    out.writeInt32(kSectionAlignment);
    out.writeInt32(kFileAlignment);
    out.seek(kOptionalHeader + 56);
    out.writeInt32(static_cast<std::int32_t>(relocationRva() + kSectionAlignment));
    out.writeInt32(0x400);  // headers
    out.seek(kOptionalHeader + (plus ? 108 : 92));
    out.writeInt32(16);
    if (withResources) {
      out.seek(directory(2));
      out.writeInt32(0x2000);
      out.writeInt32(16);
    }
    out.seek(directory(5));
    out.writeInt32(static_cast<std::int32_t>(relocationRva()));
    out.writeInt32(12);

    const auto header = [&](int index, const char* name, std::uint32_t virtualSize, std::uint32_t rva,
                            std::uint32_t rawOffset, std::uint32_t rawSize, std::uint32_t characteristics) {
      out.seek(sectionHeader(index));
      const std::string padded = std::string(name) + std::string(8, '\0');
      out.writeBytes(std::span(reinterpret_cast<const std::uint8_t*>(padded.data()), 8));
      out.writeInt32(static_cast<std::int32_t>(virtualSize));
      out.writeInt32(static_cast<std::int32_t>(rva));
      out.writeInt32(static_cast<std::int32_t>(rawSize));
      out.writeInt32(static_cast<std::int32_t>(rawOffset));
      out.seek(sectionHeader(index) + 36);
      out.writeInt32(static_cast<std::int32_t>(characteristics));
    };
    header(0, ".text", 0x100, 0x1000, 0x400, kFileAlignment, 0x60000020);
    // As ld writes it, .rsrc's raw size is its virtual size, not a whole file block.
    if (withResources) header(1, ".rsrc", 16, 0x2000, resourceOffset(), 16, 0x40000040);
    header(sections - 1, ".reloc", 12, relocationRva(), relocationOffset(), kFileAlignment, 0x42000040);

    out.seek(0x400);
    for (int i = 0; i < 0x100; ++i) out.writeByte(static_cast<std::uint8_t>(0xC3 ^ i));
    out.seek(0x410);
    if (plus) {
      out.writeInt64(static_cast<std::int64_t>(imageBase() + 0x1020));
    } else {
      out.writeInt32(static_cast<std::int32_t>(imageBase() + 0x1020));
    }
    out.seek(relocationOffset());
    Bytes reloc = relocations();
    if (!plus) reloc[9] = 0x30;  // HIGHLOW rather than DIR64
    out.writeBytes(reloc);
    out.seek(symbolsOffset());
    out.writeBytes(symbols());
    out.writeBytes(overlay());
    ASSERT_TRUE(out.close());
  }
};

pe::Resource resource(pe::ResourceKey type, pe::ResourceKey name, std::uint16_t language, Bytes data,
                      std::uint32_t codePage = 0) {
  pe::Resource r;
  r.type = std::move(type);
  r.name = std::move(name);
  r.language = language;
  r.codePage = codePage;
  r.data = std::move(data);
  return r;
}

Bytes pattern(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

const pe::ResourceKey kDat = pe::ResourceKey::ofName(u"DAT");

// Resources of several types, names and languages, given out of order.
std::vector<pe::Resource> mixedResources() {
  return {
      resource(pe::ResourceKey::ofId(3), pe::ResourceKey::ofId(1), 2052, pattern(100, 1)),
      resource(kDat, pe::ResourceKey::ofId(219), 2052, pattern(70000, 2)),
      resource(pe::ResourceKey::ofId(3), pe::ResourceKey::ofId(1), 1033, pattern(5, 3), 1252),
      resource(pe::ResourceKey::ofName(u"PNG"), pe::ResourceKey::ofName(u"LOGO"), 0, pattern(33, 4)),
      resource(kDat, pe::ResourceKey::ofId(218), 2052, {}),
      resource(pe::ResourceKey::ofId(24), pe::ResourceKey::ofId(1), 0, pattern(9, 5), 936),
  };
}

std::vector<pe::Resource> inDirectoryOrder(std::vector<pe::Resource> resources) {
  std::sort(resources.begin(), resources.end(), [](const pe::Resource& a, const pe::Resource& b) {
    return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
  });
  return resources;
}

class PeRewrite : public ::testing::TestWithParam<bool> {
 protected:
  std::filesystem::path original() const { return dir_ / "original.exe"; }
  std::filesystem::path rewritten(const std::string& name = "rewritten.exe") const { return dir_ / name; }
  bool rewrite(const Bytes& image, const std::vector<pe::Resource>& resources, const std::string& name) {
    return pe::writeWithResources(rewritten(name).wstring(), image, resources);
  }

  TempDirectory dir_;
};

TEST_P(PeRewrite, RoundTripsTheResourcesAndMovesWhatFollows) {
  TestImage layout{.plus = GetParam()};
  layout.write(original());
  const Bytes image = readFile(original());
  const auto none = pe::readResources(image);
  ASSERT_TRUE(none && none->empty());

  ASSERT_TRUE(rewrite(image, mixedResources(), "big.exe"));
  const Bytes big = readFile(rewritten("big.exe"));
  const auto read = pe::readResources(big);
  ASSERT_TRUE(read);
  EXPECT_TRUE(*read == inDirectoryOrder(mixedResources()));

  // .rsrc grew from one file block to what 70 KB and the rest take; .reloc follows it.
  const std::uint32_t rsrcSize = readU32(big, layout.sectionHeader(1) + 8);
  const std::uint32_t rsrcRaw = readU32(big, layout.sectionHeader(1) + 16);
  EXPECT_GT(rsrcSize, 70000u);
  const std::uint32_t relocRva = readU32(big, layout.sectionHeader(2) + 12);
  const std::uint32_t relocOffset = readU32(big, layout.sectionHeader(2) + 20);
  EXPECT_EQ(relocRva, (0x2000 + rsrcSize + kSectionAlignment - 1) / kSectionAlignment * kSectionAlignment);
  EXPECT_EQ(relocOffset, layout.resourceOffset() + rsrcRaw);
  EXPECT_TRUE(std::equal(image.begin() + layout.relocationOffset(),
                         image.begin() + layout.relocationOffset() + 12, big.begin() + relocOffset));
  EXPECT_EQ(readU32(big, layout.directory(5)), relocRva);
  EXPECT_EQ(readU32(big, layout.directory(2)), 0x2000u);
  EXPECT_EQ(readU32(big, layout.directory(2) + 4), rsrcSize);
  EXPECT_EQ(readU32(big, kOptionalHeader + 56), relocRva + kSectionAlignment) << "size of image";
  const std::uint32_t symbols = readU32(big, 0x84 + 8);
  EXPECT_EQ(symbols, relocOffset + kFileAlignment);
  EXPECT_EQ(Bytes(big.begin() + symbols, big.end()), TestImage::tail()) << "symbols and overlay kept";
  EXPECT_TRUE(std::equal(image.begin() + 0x400, image.begin() + 0x600, big.begin() + 0x400))
      << ".text untouched";

  ASSERT_TRUE(rewrite(image, mixedResources(), "again.exe"));
  EXPECT_EQ(readFile(rewritten("again.exe")), big) << "the same input makes the same bytes";

  // Shrinking back: the grown copy rewritten with one small resource is the original rewritten so.
  std::vector<pe::Resource> small = *read;
  small.resize(1);
  ASSERT_TRUE(rewrite(big, small, "shrunk.exe"));
  ASSERT_TRUE(rewrite(image, small, "direct.exe"));
  const Bytes shrunk = readFile(rewritten("shrunk.exe"));
  EXPECT_EQ(shrunk, readFile(rewritten("direct.exe")));
  EXPECT_EQ(readU32(shrunk, layout.sectionHeader(2) + 12), 0x3000u);
  EXPECT_EQ(shrunk.size(), image.size());
}

TEST_P(PeRewrite, AddsAResourceSectionAfterTheLastWhenThereIsNone) {
  TestImage layout{.plus = GetParam(), .withResources = false};
  layout.write(original());
  const Bytes image = readFile(original());
  ASSERT_TRUE(rewrite(image, mixedResources(), "added.exe"));
  const Bytes added = readFile(rewritten("added.exe"));
  const auto read = pe::readResources(added);
  ASSERT_TRUE(read);
  EXPECT_TRUE(*read == inDirectoryOrder(mixedResources()));
  AssetStream in(added);
  in.seek(0x86);
  EXPECT_EQ(in.readUInt16(), 3) << "section count";
  EXPECT_EQ(readU32(added, layout.sectionHeader(2)), 0x7273722Eu) << ".rsr";
  EXPECT_EQ(readU32(added, layout.sectionHeader(2) + 12), 0x3000u);
  EXPECT_EQ(readU32(added, layout.sectionHeader(2) + 20), layout.symbolsOffset());
  EXPECT_EQ(readU32(added, layout.directory(5)), 0x2000u) << ".reloc stays";
  const std::uint32_t symbols = readU32(added, 0x84 + 8);
  EXPECT_EQ(Bytes(added.begin() + symbols, added.end()), TestImage::tail());

  // Without a free header slot there is nowhere to describe the section.
  poke(original(), layout.sectionHeader(2) + 4, 1);
  EXPECT_FALSE(rewrite(readFile(original()), mixedResources(), "nowhere.exe"));
}

INSTANTIATE_TEST_SUITE_P(Formats, PeRewrite, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

// A debug directory in .text naming data in the overlay by file offset and in .reloc by RVA too.
TEST(PeDebugDirectory, FollowsTheDataItNames) {
  TempDirectory dir;
  const TestImage layout;
  const std::filesystem::path path = dir / "image.exe";
  layout.write(path);
  const std::uint32_t overlay =
      layout.symbolsOffset() + static_cast<std::uint32_t>(TestImage::symbols().size());
  poke(path, layout.directory(6), 0x1080);
  poke(path, layout.directory(6) + 4, 56);
  for (const auto& [at, value] : {std::pair{0x490u, 12u},
                                  {0x498u, overlay},
                                  {0x4ACu, 12u},
                                  {0x4B0u, 0x3000u},
                                  {0x4B4u, layout.relocationOffset()}}) {
    poke(path, at, value);
  }
  const std::filesystem::path out = dir / "out.exe";
  ASSERT_TRUE(pe::writeWithResources(out.wstring(), readFile(path), mixedResources()));
  const Bytes rewritten = readFile(out);
  EXPECT_EQ(readU32(rewritten, 0x498), rewritten.size() - 12);
  EXPECT_EQ(readU32(rewritten, 0x4B0), readU32(rewritten, layout.sectionHeader(2) + 12));
  EXPECT_EQ(readU32(rewritten, 0x4B4), readU32(rewritten, layout.sectionHeader(2) + 20));

  poke(path, 0x4B4, layout.resourceOffset());
  EXPECT_FALSE(pe::writeWithResources(out.wstring(), readFile(path), mixedResources()))
      << "debug data inside .rsrc, which is rebuilt";
}

TEST(PeRewriteRefuses, LayoutsItCannotKeepRight) {
  TempDirectory dir;
  const TestImage layout;
  struct Case {
    const char* why;
    std::uint32_t offset;
    std::uint32_t value;
    int width = 4;
  };
  const Case cases[] = {
      {"a certificate, whose signature would break", layout.directory(4), 0x900},
      {"a relocation inside .rsrc", layout.relocationOffset(), 0x2000},
      {"a relocated address into .rsrc", 0x410, 0x40002010},  // the image base's low half + 0x2010
      {"an executable section after .rsrc", layout.sectionHeader(2) + 36, 0x62000020},
      {"a writable section after .rsrc", layout.sectionHeader(2) + 36, 0xC2000040},
      {"a kept section after .rsrc", layout.sectionHeader(2) + 36, 0x40000040},
      {"imports in a section that moves", layout.directory(1), 0x3000},
      {"the entry point in a section that moves", kOptionalHeader + 16, 0x3000},
      {"a relocation type it cannot follow", layout.relocationOffset() + 8, 0x1010, 2},
      {"a relocation block longer than the table", layout.relocationOffset() + 4, 0x100},
      {"resources not at the start of a section", layout.directory(2), 0x2010},
      {"sections out of order", layout.sectionHeader(2) + 12, 0x1800},
      {"a symbol table inside .rsrc", 0x84 + 8, 0x610},
      {"a file alignment that is no power of two", kOptionalHeader + 36, 0x300},
  };
  for (const Case& c : cases) {
    const std::filesystem::path path = dir / "image.exe";
    layout.write(path);
    poke(path, c.offset, c.value, c.width);
    EXPECT_FALSE(pe::writeWithResources((dir / "out.exe").wstring(), readFile(path), mixedResources()))
        << c.why;
  }

  layout.write(dir / "image.exe");
  std::vector<pe::Resource> twice = mixedResources();
  twice.push_back(twice.front());
  EXPECT_FALSE(pe::writeWithResources((dir / "out.exe").wstring(), readFile(dir / "image.exe"), twice))
      << "the same type, name and language twice";
  EXPECT_FALSE(pe::writeWithResources((dir / "no-such-folder" / "out.exe").wstring(),
                                      readFile(dir / "image.exe"), mixedResources()))
      << "a file that cannot be created";
}

TEST(PeResources, PutReplacesOnlyTheSameTypeNameAndLanguage) {
  std::vector<pe::Resource> resources = mixedResources();
  pe::putResource(resources, resource(kDat, pe::ResourceKey::ofId(218), 2052, {1, 2, 3}));
  pe::putResource(resources, resource(kDat, pe::ResourceKey::ofId(218), 1033, {4}));
  pe::putResource(resources, resource(pe::ResourceKey::ofName(u"DA"), pe::ResourceKey::ofId(218), 2052, {5}));
  ASSERT_EQ(resources.size(), mixedResources().size() + 2);
  EXPECT_EQ(resources[4].data, (Bytes{1, 2, 3}));
  EXPECT_EQ(resources[6].data, (Bytes{4}));
  EXPECT_EQ(resources[7].data, (Bytes{5}));
  EXPECT_LT(pe::ResourceKey::ofName(u"ZZZ"), pe::ResourceKey::ofId(0)) << "names before numbers";
  EXPECT_LT(pe::ResourceKey::ofName(u"DA"), kDat);
  EXPECT_EQ((pe::ResourceKey{7, u"DAT"}), kDat) << "a name's id does not count";
}

// A rebuilt image with one resource, DAT 218 in language 2052, whose directory is then spoiled.
// The layout written: root table at 0, its entry at 16; the type table at 24, entry at 40; the name
// table at 48, entry at 64; the data entry at 72; the type's name at 88.
class PeReadMalformed : public ::testing::Test {
 protected:
  void SetUp() override {
    TestImage().write(dir_ / "image.exe");
    ASSERT_TRUE(pe::writeWithResources(path().wstring(), readFile(dir_ / "image.exe"),
                                       {resource(kDat, pe::ResourceKey::ofId(218), 2052, pattern(40, 9))}));
    ASSERT_TRUE(pe::readResources(readFile(path())));
    good_ = readFile(path());
  }
  std::filesystem::path path() const { return dir_ / "good.exe"; }
  bool readsWith(std::uint32_t resourceOffset, std::uint32_t value, int width = 4) {
    writeFile(path(), good_);
    poke(path(), TestImage().resourceOffset() + resourceOffset, value, width);
    return pe::readResources(readFile(path())).has_value();
  }

  TempDirectory dir_;
  Bytes good_;
};

TEST_F(PeReadMalformed, DirectoriesOutOfBoundsLoopingOrTooLargeReadAsNothing) {
  EXPECT_FALSE(readsWith(16 + 4, 0x80000000)) << "a type entry pointing back at the root";
  EXPECT_FALSE(readsWith(40 + 4, 0x80000018)) << "a name entry pointing at its own table";
  EXPECT_FALSE(readsWith(16 + 4, 0x80100000)) << "a table past the section";
  EXPECT_FALSE(readsWith(24 + 14, 0xFFFF, 2)) << "more ids than the section holds";
  EXPECT_FALSE(readsWith(12, 0xFFFF, 2)) << "more names than the section holds";
  EXPECT_FALSE(readsWith(72, 0x7FFFFFF0)) << "data at an RVA no section holds";
  EXPECT_FALSE(readsWith(76, 0xFFFFFF00)) << "more data than the image holds";
  EXPECT_FALSE(readsWith(88, 0x7FFF, 2)) << "a name longer than the section";
  EXPECT_FALSE(readsWith(16, 0x80100000)) << "a name past the section";
  EXPECT_FALSE(readsWith(40, 0x00010000)) << "an id wider than 16 bits";
  EXPECT_FALSE(readsWith(64 + 4, 0x80000030)) << "a table where the data entry belongs";
  EXPECT_FALSE(readsWith(16 + 4, 72)) << "a data entry where the name table belongs";
  EXPECT_TRUE(readsWith(72 + 8, 936)) << "a code page is no fault";

  // Types 1 and 2, one name and language each: the root's entries at 16 and 24, type 1's table at
  // 32. Tables reached twice would let a small directory stand for a vast number of resources.
  TestImage().write(dir_ / "image.exe");
  ASSERT_TRUE(pe::writeWithResources(path().wstring(), readFile(dir_ / "image.exe"),
                                     {resource(pe::ResourceKey::ofId(1), pe::ResourceKey::ofId(1), 0, {1}),
                                      resource(pe::ResourceKey::ofId(2), pe::ResourceKey::ofId(1), 0, {2})}));
  good_ = readFile(path());
  ASSERT_TRUE(readsWith(24 + 4, 0x80000038)) << "type 2's own table";
  EXPECT_FALSE(readsWith(24 + 4, 0x80000020)) << "type 2 sharing type 1's names";
}

TEST_F(PeReadMalformed, TruncatedOrMutatedImagesAreRefusedWithoutHarm) {
  const std::wstring out = (dir_ / "out.exe").wstring();
  // Every cut before the end of .reloc's data loses something the rebuild needs.
  const std::size_t relocEnd = readU32(good_, TestImage().sectionHeader(2) + 20) + kFileAlignment;
  for (std::size_t size = 0; size < relocEnd; ++size) {
    const std::span<const std::uint8_t> cut(good_.data(), size);
    ASSERT_FALSE(pe::writeWithResources(out, cut, {})) << size;
    if (size < TestImage().resourceOffset() + 136) {
      ASSERT_FALSE(pe::readResources(cut)) << size;
    }
  }
  std::mt19937 random(20520218);
  for (int i = 0; i < 3000; ++i) {
    Bytes mutated = good_;
    for (int flips = 0; flips < 4; ++flips) {
      const std::size_t at = random() % std::min<std::size_t>(mutated.size(), 0x700);
      mutated[at] = static_cast<std::uint8_t>(random());
    }
    if (const auto read = pe::readResources(mutated)) pe::writeWithResources(out, mutated, *read);
  }
}

#ifdef _WIN32

using ResourceMap = std::map<std::tuple<std::u16string, std::u16string, std::uint16_t>, Bytes>;

std::u16string keyText(const pe::ResourceKey& key) {
  if (key.named()) return key.name;
  const std::wstring number = L"#" + std::to_wstring(key.id);
  return std::u16string(number.begin(), number.end());
}

std::u16string keyText(LPCWSTR key) {
  if (IS_INTRESOURCE(key))
    return keyText(pe::ResourceKey::ofId(static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(key))));
  return reinterpret_cast<const char16_t*>(key);
}

ResourceMap mapOf(const std::vector<pe::Resource>& resources) {
  ResourceMap map;
  for (const pe::Resource& r : resources) map[{keyText(r.type), keyText(r.name), r.language}] = r.data;
  return map;
}

// Every resource as Windows finds it in the image, loaded the way a resource reader loads it.
ResourceMap loadedResources(const std::filesystem::path& path) {
  const HMODULE module = LoadLibraryExW(path.wstring().c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  EXPECT_NE(module, nullptr) << path;
  if (module == nullptr) return {};
  struct Walk {
    HMODULE module;
    ResourceMap map;
  } walk{module, {}};
  EnumResourceTypesW(
      module,
      [](HMODULE m, LPWSTR type, LONG_PTR context) -> BOOL {
        EnumResourceNamesW(
            m, type,
            [](HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR context) -> BOOL {
              EnumResourceLanguagesW(
                  m, type, name,
                  [](HMODULE m, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR context) -> BOOL {
                    auto& walk = *reinterpret_cast<Walk*>(context);
                    const HRSRC found = FindResourceExW(m, type, name, language);
                    const DWORD size = SizeofResource(m, found);
                    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(m, found)));
                    walk.map[{keyText(type), keyText(name), language}] =
                        data == nullptr ? Bytes{} : Bytes(data, data + size);
                    return TRUE;
                  },
                  context);
              return TRUE;
            },
            context);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&walk));
  FreeLibrary(module);
  return walk.map;
}

void expectChecksumWindowsAgreesWith(const std::filesystem::path& path) {
  DWORD inHeader = 0;
  DWORD computed = 0;
  ASSERT_EQ(MapFileAndCheckSumW(path.wstring().c_str(), &inHeader, &computed), CHECKSUM_SUCCESS);
  EXPECT_EQ(inHeader, computed) << path;
}

// The patch's two archives, small and large, in place of cmpatch's own, then added to a program
// that carries other resources (this test, with the class table) and to one that has none.
TEST(PeOnWindows, LoadsTheNewArchivesAndEveryOtherResourceUnchanged) {
  TempDirectory dir;
  wchar_t self[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  for (const std::filesystem::path& program :
       {siblingProgram("cmpatch"), std::filesystem::path(self), siblingProgram("urlrecorder")}) {
    SCOPED_TRACE(program.string());
    const Bytes image = readFile(program);
    auto resources = pe::readResources(image);
    ASSERT_TRUE(resources);
    EXPECT_EQ(mapOf(*resources), loadedResources(program)) << "read as Windows reads them";
    pe::putResource(*resources, resource(kDat, pe::ResourceKey::ofId(218), 2052, pattern(1000, 218)));
    pe::putResource(*resources, resource(kDat, pe::ResourceKey::ofId(219), 2052, pattern(3 << 20, 219)));
    const std::filesystem::path copy = dir / program.filename();
    ASSERT_TRUE(pe::writeWithResources(copy.wstring(), image, *resources));
    EXPECT_EQ(loadedResources(copy), mapOf(*resources));
    expectChecksumWindowsAgreesWith(copy);
  }
}

// Copies that must start: relocations, imports, TLS and the loader's view of every header intact.
TEST(PeOnWindows, RewrittenProgramsStillRun) {
  TempDirectory dir;
  AssetDescription d;
  d.objects = {{7, 49, 49, 0xFFFF, 0, textAssetObject("Localization", Bytes{'e', 'n'})}};
  writeFile(dir / "level.assets", buildAsset(d).bytes);
  const Bytes cmkit = readFile(siblingProgram("cmkit"));
  auto resources = pe::readResources(cmkit);
  ASSERT_TRUE(resources);
  pe::putResource(*resources, resource(kDat, pe::ResourceKey::ofId(218), 2052, pattern(2 << 20, 1)));
  ASSERT_TRUE(pe::writeWithResources((dir / "cmkit.exe").wstring(), cmkit, *resources));
  const ChildResult expected = runProgram(siblingProgram("cmkit"), {L"list", L"level.assets"}, dir.path());
  const ChildResult actual = runProgram(dir / "cmkit.exe", {L"list", L"level.assets"}, dir.path());
  EXPECT_EQ(actual.exitCode, 0);
  EXPECT_EQ(actual.output, expected.output) << "the class table, a resource, still read";
  EXPECT_NE(actual.output.find("TextAsset"), std::string::npos);

  // This test program, unstripped: its debug sections and symbols move behind the new .rsrc.
  wchar_t self[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  const Bytes tests = readFile(self);
  resources = pe::readResources(tests);
  ASSERT_TRUE(resources);
  pe::putResource(*resources, resource(kDat, pe::ResourceKey::ofId(219), 2052, pattern(3 << 20, 3)));
  ASSERT_TRUE(pe::writeWithResources((dir / "kit_tests.exe").wstring(), tests, *resources));
  const ChildResult run = runProgram(dir / "kit_tests.exe", {L"--gtest_filter=PeResources.*"}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;

  // urlrecorder has no .rsrc: the section is added after the debug sections.
  const Bytes recorder = readFile(siblingProgram("urlrecorder"));
  ASSERT_TRUE(
      pe::writeWithResources((dir / "urlrecorder.exe").wstring(), recorder,
                             {resource(kDat, pe::ResourceKey::ofId(219), 2052, pattern(1 << 20, 2))}));
  const std::wstring log = (dir / "pages.txt").wstring();
  SetEnvironmentVariableW(L"CMPATCH_URL_LOG", log.c_str());
  const ChildResult recorded = runProgram(dir / "urlrecorder.exe", {L"https://example.invalid/"}, dir.path());
  SetEnvironmentVariableW(L"CMPATCH_URL_LOG", nullptr);
  EXPECT_EQ(recorded.exitCode, 0);
  const Bytes pages = readFile(dir / "pages.txt");
  EXPECT_EQ(std::string(pages.begin(), pages.end()), "https://example.invalid/\n");
}

#endif

}  // namespace
