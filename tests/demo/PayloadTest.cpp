#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "DemoGame.h"
#include "DemoPatch.h"
#include "PayloadTestSupport.h"
#include "codecs/DdsFile.h"
#include "text/TranslationText.h"

using namespace payloadtest;

namespace {

const std::string kSharedUnpak = "Cindermoor_Data/sharedassets1_unpak/";

std::vector<std::string> expectedInstallNames() {
  std::vector<std::string> names = {
      "Cindermoor_Data/",
      "Cindermoor_Data/Managed/",
      "Cindermoor_Data/resources_unpak/",
      "Cindermoor_Data/resources_unpak/TextAsset/",
      kSharedUnpak,
      kSharedUnpak + "Texture2D/",
      kSharedUnpak + "Font/",
      kSharedUnpak + "MonoBehaviour/",
      kSharedUnpak + "MonoBehaviour/-1/",
      kSharedUnpak + "MonoBehaviour/-9/",
      "Data/",
      "Data/Config/",
      "Data/Config/XUi/",
      "Data/Worlds/",
      "Data/Worlds/AshenReach/",
      "Data/Worlds/Saltmarsh/",
      "Data/Config/XUi/controls.xml",
      "Data/Config/XUi/windows.xml",
      "Data/Worlds/AshenReach/map_info.xml",
      "Data/Worlds/Saltmarsh/map_info.xml",
      "Cindermoor_Data/level0",
      "Cindermoor_Data/Managed/Assembly-CSharp.dll",
      "Cindermoor_Data/resources_unpak/TextAsset/Localization.txt",
  };
  for (const auto& t : demo::kTextures) names.push_back(kSharedUnpak + "Texture2D/" + t.name + ".dds");
  for (const auto& f : demo::kFonts) names.push_back(kSharedUnpak + "Font/" + f.name + ".ttf");
  for (const char* bin : {"-1/688.bin", "-1/717.bin", "-9/710.bin"}) {
    names.push_back(kSharedUnpak + "MonoBehaviour/" + bin);
  }
  names.push_back("Cindermoor_Data/resources_unpak/qmx.exe");
  names.push_back("Cindermoor_Data/resources_unpak/qmx.bat");
  names.push_back("Cindermoor_Data/qmx.bat");
  return names;
}

const ArchivedEntry* find(const std::vector<ArchivedEntry>& entries, const std::string& name) {
  auto it =
      std::find_if(entries.begin(), entries.end(), [&](const ArchivedEntry& e) { return e.name == name; });
  return it == entries.end() ? nullptr : &*it;
}

std::string text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

void expectMsDosEntries(const std::vector<CentralRecord>& records) {
  for (const CentralRecord& r : records) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.versionMadeBy >> 8, 0);  // MS-DOS
    EXPECT_EQ(r.flags & 0x1, 0);         // not encrypted
    EXPECT_EQ(r.flags & 0x8, 0);         // sizes and CRC in the headers, no data descriptor
    EXPECT_EQ(r.localFlags, r.flags);
    EXPECT_EQ(r.extraLength, 0);  // no ZIP64 records
    EXPECT_LE(r.name.size(), 259u);
    EXPECT_EQ(r.name.find('\\'), std::string::npos);
    EXPECT_TRUE(std::all_of(r.name.begin(), r.name.end(), [](char c) { return c > 0x20 && c < 0x7F; }));
  }
}

}  // namespace

TEST(InstallArchive, HoldsTheSixteenFoldersAndTwentyTwoFilesOfThePatch) {
  const std::vector<CentralRecord> records = centralDirectory(testsupport::readFile(payloads().install));
  std::vector<std::string> names;
  for (const CentralRecord& r : records) names.push_back(r.name);
  std::vector<std::string> expected = expectedInstallNames();
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(records.size(), 38u);
  EXPECT_EQ(std::count_if(records.begin(), records.end(),
                          [](const CentralRecord& r) { return r.name.ends_with('/'); }),
            16);
}

TEST(InstallArchive, EveryEntryIsAnMsDosEntryWithoutEncryptionOrDataDescriptor) {
  const std::vector<CentralRecord> records = centralDirectory(testsupport::readFile(payloads().install));
  ASSERT_EQ(records.size(), 38u);
  expectMsDosEntries(records);
}

TEST(InstallArchive, FoldersAreStoredEmptyAndFilesDeflatedWithTheirAttributes) {
  const std::vector<CentralRecord> records = centralDirectory(testsupport::readFile(payloads().install));
  ASSERT_EQ(records.size(), 38u);
  for (const CentralRecord& r : records) {
    SCOPED_TRACE(r.name);
    if (r.name.ends_with('/')) {
      EXPECT_EQ(r.method, 0);
      EXPECT_EQ(r.compressedSize, 0u);
      EXPECT_EQ(r.uncompressedSize, 0u);
      EXPECT_EQ(r.externalAttributes, 0x10u);
    } else {
      EXPECT_EQ(r.method, 8);
      EXPECT_GT(r.uncompressedSize, 0u);
      EXPECT_EQ(r.externalAttributes, 0x20u);
    }
  }
}

TEST(InstallArchive, EveryFolderComesBeforeWhatItHolds) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().install);
  ASSERT_EQ(entries.size(), 38u);
  std::set<std::string> seenFolders;
  for (const ArchivedEntry& entry : entries) {
    SCOPED_TRACE(entry.name);
    const std::string path =
        entry.name.ends_with('/') ? entry.name.substr(0, entry.name.size() - 1) : entry.name;
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
      EXPECT_TRUE(seenFolders.count(path.substr(0, slash + 1))) << "folder " << path.substr(0, slash + 1);
    }
    if (entry.name.ends_with('/')) seenFolders.insert(entry.name);
  }
}

TEST(InstallArchive, TheBatchFileRunsQmxOnBothAssetFilesThenRemovesTheUnpackedFolders) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().install);
  const ArchivedEntry* batch = find(entries, "Cindermoor_Data/qmx.bat");
  ASSERT_NE(batch, nullptr);
  EXPECT_EQ(text(batch->data),
            "@echo off\r\n"
            ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\resources.assets\r\n"
            ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\sharedassets1.assets\r\n"
            "\r\n"
            "rd /S /Q .\\Cindermoor_Data\\resources_unpak\\\r\n"
            "rd /S /Q .\\Cindermoor_Data\\sharedassets1_unpak\\");
}

TEST(InstallArchive, TheSecondBatchIsAUtf16CopyOfTheImportLines) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().install);
  const ArchivedEntry* copy = find(entries, "Cindermoor_Data/resources_unpak/qmx.bat");
  ASSERT_NE(copy, nullptr);
  const std::string lines =
      ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\resources.assets\r\n"
      ".\\Cindermoor_Data\\resources_unpak\\qmx.exe -i .\\Cindermoor_Data\\sharedassets1.assets\r\n";
  Bytes expected = {0xFF, 0xFE};
  for (char c : lines) expected.insert(expected.end(), {static_cast<std::uint8_t>(c), 0});
  EXPECT_EQ(copy->data, expected);
}

TEST(InstallArchive, CarriesTheGivenQmxProgramAndTheTranslatedFilesAsTheyStand) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().install);
  const ArchivedEntry* qmx = find(entries, "Cindermoor_Data/resources_unpak/qmx.exe");
  ASSERT_NE(qmx, nullptr);
  EXPECT_EQ(qmx->data, payloads().qmx);
  for (const char* name : {"Data/Config/XUi/controls.xml", "Data/Worlds/Saltmarsh/map_info.xml",
                           "Cindermoor_Data/Managed/Assembly-CSharp.dll"}) {
    const ArchivedEntry* entry = find(entries, name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->data, testsupport::readFile(kPatchSource / name)) << name;
  }
  const ArchivedEntry* table = find(entries, "Cindermoor_Data/resources_unpak/TextAsset/Localization.txt");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->data, testsupport::readFile(kPatchSource / "Localization.txt"));
}

TEST(InstallArchive, TexturesAreDdsFilesWithEveryMipLevelTheirObjectsCarry) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().install);
  for (const demo::DemoTexture& t : demo::kTextures) {
    SCOPED_TRACE(t.name);
    const ArchivedEntry* dds = find(entries, kSharedUnpak + "Texture2D/" + t.name + ".dds");
    ASSERT_NE(dds, nullptr);
    ASSERT_GE(dds->data.size(), 128u);
    EXPECT_EQ(text(Bytes(dds->data.begin(), dds->data.begin() + 4)), "DDS ");
    EXPECT_EQ(dds->data[12] | dds->data[13] << 8, t.height);
    EXPECT_EQ(dds->data[16] | dds->data[17] << 8, t.width);
    EXPECT_EQ(static_cast<std::uint32_t>(dds->data[28]), t.mipCount);
    EXPECT_EQ(dds->data.size() - 128, dds::imageLength(t.format, t.width, t.height, t.mipCount).value_or(0));
  }
}

// As large as a real patch, so that installing the demo tries what installing a real one does.
TEST(InstallArchive, IsAboutEightMegabytesAndItsLargestEntryIsTheUncompressedAtlas) {
  const std::uintmax_t archiveSize = std::filesystem::file_size(payloads().install);
  EXPECT_GT(archiveSize, 7'000'000u);
  EXPECT_LT(archiveSize, 9'000'000u);
  const std::vector<CentralRecord> records = centralDirectory(testsupport::readFile(payloads().install));
  const auto largest = std::max_element(records.begin(), records.end(), [](const auto& a, const auto& b) {
    return a.uncompressedSize < b.uncompressedSize;
  });
  ASSERT_NE(largest, records.end());
  EXPECT_EQ(largest->name, kSharedUnpak + "Texture2D/UIAtlas.dds");
  EXPECT_EQ(largest->uncompressedSize, 16'777'344u);  // the header and 2048 x 2048 x 4 bytes
}

TEST(UninstallArchive, HoldsOnlyWcharTxtDeflatedAsAnMsDosEntry) {
  const std::vector<CentralRecord> records = centralDirectory(testsupport::readFile(payloads().uninstall));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "wchar.txt");
  EXPECT_EQ(records[0].method, 8);
  EXPECT_EQ(records[0].externalAttributes, 0x20u);
  expectMsDosEntries(records);
}

TEST(UninstallArchive, WcharTxtHoldsEveryTranslatedCharacterOnceInOrderEndingWithTheReplacementCharacter) {
  const std::vector<ArchivedEntry> entries = readZip(payloads().uninstall);
  ASSERT_EQ(entries.size(), 1u);
  const Bytes& bytes = entries[0].data;
  ASSERT_GE(bytes.size(), 4u);
  ASSERT_EQ(bytes.size() % 2, 0u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  std::u32string characters;
  for (std::size_t i = 2; i < bytes.size(); i += 2) characters.push_back(bytes[i] | bytes[i + 1] << 8);
  EXPECT_TRUE(std::is_sorted(characters.begin(), characters.end()));
  EXPECT_EQ(std::adjacent_find(characters.begin(), characters.end()), characters.end());
  EXPECT_EQ(characters.back(), U'\uFFFD');

  translation::Characters expected;
  for (const std::string& name : demo_patch::kTranslatedTextFiles) {
    translation::addShownCharacters(expected,
                                    *translation::decodeText(testsupport::readFile(kPatchSource / name)));
  }
  expected.insert(0xFFFD);
  EXPECT_EQ(characters, std::u32string(expected.begin(), expected.end()));
  EXPECT_TRUE(expected.count(U'烬'));  // from the translated files, not only ASCII
}
