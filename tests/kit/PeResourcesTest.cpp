// The resources of a Windows program read and rewritten on any platform, on the shipped installer
// and on damaged copies of it: a damaged image is refused, never read past its end or in circles.
#include <gtest/gtest.h>

#include "pack/PeResources.h"
#include "support/ChildProcess.h"
#include "support/Files.h"

using namespace testsupport;

namespace {

Bytes shippedInstaller() {
#ifdef _WIN32
  return readFile(siblingProgram("cmpatch"));
#else
  return readFile(std::filesystem::path(WINDOWS_BIN) / "cmpatch.exe");
#endif
}

std::uint32_t word(const Bytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void putWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Where the resource directory's entry lies among the data directories of a PE32+ image.
std::size_t resourceDirectoryEntry(const Bytes& image) {
  return word(image, 0x3C) + 24 + 112 + 2 * 8;
}

// The file offset of the resource section (the section at the directory's address).
std::size_t resourceSectionStart(const Bytes& image) {
  const std::size_t pe = word(image, 0x3C);
  const std::size_t sections = pe + 24 + (image[pe + 20] | image[pe + 21] << 8);
  const std::uint32_t rva = word(image, resourceDirectoryEntry(image));
  for (std::size_t at = sections;; at += 40) {
    if (word(image, at + 12) == rva) return word(image, at + 20);
  }
}

TEST(PeResources, RewritingWithTheSameResourcesKeepsThemAndAddsNothing) {
  const Bytes image = shippedInstaller();
  const auto resources = pe::readResources(image);
  ASSERT_TRUE(resources.has_value());
  ASSERT_FALSE(resources->empty());
  TempDirectory dir;
  ASSERT_TRUE(pe::writeWithResources((dir / "copy.exe").wstring(), image, *resources));
  const auto reread = pe::readResources(readFile(dir / "copy.exe"));
  ASSERT_TRUE(reread.has_value());
  ASSERT_EQ(reread->size(), resources->size());
  for (std::size_t i = 0; i < reread->size(); ++i) {
    EXPECT_EQ((*reread)[i].type, (*resources)[i].type);
    EXPECT_EQ((*reread)[i].name, (*resources)[i].name);
    EXPECT_EQ((*reread)[i].data, (*resources)[i].data);
  }
  EXPECT_EQ(readFile(dir / "copy.exe").size(), image.size()) << "the section takes as much room as before";
}

TEST(PeResources, RefusesDamagedImagesWithoutReadingPastThemOrInCircles) {
  const Bytes image = shippedInstaller();
  const std::size_t section = resourceSectionStart(image);
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{2}, std::size_t{0x40}, std::size_t{0x200}, section + 16}) {
    EXPECT_EQ(pe::readResources(Bytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut))),
              std::nullopt)
        << "cut at " << cut;
  }
  Bytes loop = image;
  putWord(loop, section + 16 + 4, 0x80000000u);  // the first type's table is the root again
  EXPECT_EQ(pe::readResources(loop), std::nullopt);
  Bytes counts = image;
  counts[section + 12] = counts[section + 13] = 0xFF;  // 65,535 named entries
  EXPECT_EQ(pe::readResources(counts), std::nullopt);
  Bytes notPe = image;
  notPe[word(image, 0x3C)] = 'X';
  EXPECT_EQ(pe::readResources(notPe), std::nullopt);
}

TEST(PeResources, RefusesToRewriteASignedImageOrRepeatedResources) {
  const Bytes image = shippedInstaller();
  std::vector<pe::Resource> resources = *pe::readResources(image);
  TempDirectory dir;
  Bytes signed_ = image;
  putWord(signed_, resourceDirectoryEntry(image) + 2 * 8, static_cast<std::uint32_t>(image.size()));
  putWord(signed_, resourceDirectoryEntry(image) + 2 * 8 + 4, 8);
  EXPECT_FALSE(pe::writeWithResources((dir / "signed.exe").wstring(), signed_, resources));
  resources.push_back(resources.front());
  EXPECT_FALSE(pe::writeWithResources((dir / "twice.exe").wstring(), image, resources));
}

}  // namespace
