#include "commands/PackCommand.h"

#include <filesystem>
#include <map>
#include <new>

#include "app/KitMessages.h"
#include "commands/CheckCommand.h"
#include "commands/EncodeCommand.h"
#include "commands/FontCheck.h"
#include "files/WholeFile.h"
#include "pack/PatchLayout.h"
#include "pack/PeResources.h"
#include "pack/ZipWriter.h"
#include "platform/KitPlatform.h"
#include "platform/Platform.h"
#include "stream/AssetStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kInstallPayload = 218;
constexpr std::uint16_t kUninstallPayload = 219;
constexpr std::uint16_t kChineseSimplified = 0x0804;
// Resources are read through 32-bit sizes, and the whole program must stay loadable.
constexpr std::uintmax_t kLargestArchive = std::uintmax_t{1} << 31;

// The patch's names were checked to have a GBK form when the layout was read.
std::string gbkEntryName(const std::wstring& path, bool folder) {
  return kit_platform::toGbk(pack::entryName(path, folder)).value_or(std::string());
}

// Pictures by their path in the patch: the DDS file that stands in their place in the archive, by
// its path in the patch, and the temporary file holding it.
using EncodedPictures = std::map<std::wstring, std::pair<std::wstring, std::wstring>>;

std::vector<pack::ArchiveEntry> installEntries(const pack::PatchLayout& patch, const std::wstring& qmx,
                                               const EncodedPictures& pictures) {
  std::vector<pack::ArchiveEntry> entries;
  for (const std::wstring& folder : patch.folders) entries.push_back({gbkEntryName(folder, true), Bytes()});
  for (const std::wstring& file : patch.files) {
    if (const auto picture = pictures.find(file); picture != pictures.end()) {
      entries.push_back({gbkEntryName(picture->second.first, false), picture->second.second});
    } else {
      entries.push_back({gbkEntryName(file, false), pack::joined(patch.root, file)});
    }
  }
  if (!patch.unpacked.empty()) {
    entries.push_back({gbkEntryName(pack::qmxEntry(patch), false), qmx});
    entries.push_back({gbkEntryName(pack::importCopyEntry(patch), false), pack::importLinesCopy(patch)});
  }
  const std::string batch = pack::batchFile(patch);
  entries.push_back(
      {gbkEntryName(std::wstring(pack::kBatchEntry), false), Bytes(batch.begin(), batch.end())});
  return entries;
}

bool isWindowsProgram(const std::optional<Bytes>& bytes) {
  return bytes && pe::readResources(*bytes).has_value();
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
  std::error_code error;
  return std::filesystem::equivalent(platform::fileSystemPath(a), platform::fileSystemPath(b), error);
}

bool isInside(const std::wstring& path, const std::wstring& folder) {
  std::error_code error;
  const std::filesystem::path inner =
      std::filesystem::weakly_canonical(platform::fileSystemPath(path), error);
  const std::filesystem::path outer =
      std::filesystem::weakly_canonical(platform::fileSystemPath(folder), error);
  const auto [end, _] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return !error && end == outer.end();
}

class Packer {
 public:
  Packer(const PackOptions& options, const ClassIdTable& classes, const LinePrinter& print)
      : options_(options), classes_(classes), print_(print) {}

  int run() {
    const std::optional<pack::PatchLayout> patch =
        pack::readPatchLayout(options_.patch, options_.game, print_);
    if (!patch || !checkedAgainstGame(*patch) || !readPrograms(*patch) || !outputAllowed())
      return notPacked();
    const translation::Characters characters = translationCharacters(options_.patch, print_);
    for (const pack::UnpackedFolder& folder : patch->unpacked) {
      checkFonts(pack::joined(options_.patch, folder.path), folder.path, characters, print_);
    }
    kit_files::TemporaryFiles temporary(output_);
    const std::optional<EncodedPictures> pictures = encodePictures(*patch, temporary);
    if (!pictures) return notPacked();
    return write(*patch, characters, *pictures, temporary) ? 0 : notPacked();
  }

 private:
  int notPacked() {
    print_(kit_messages::kNotPacked);
    return 1;
  }

  bool checkedAgainstGame(const pack::PatchLayout& patch) {
    if (!options_.game) return true;
    bool passed = true;
    for (const pack::UnpackedFolder& folder : patch.unpacked) {
      print_(std::wstring(kit_messages::kChecking) + folder.path + L" → " + folder.assetPath);
      const std::optional<FileCheck> check =
          checkReplacementFiles(pack::joined(*options_.game, folder.assetPath),
                                pack::joined(options_.patch, folder.path), classes_, print_);
      if (!check || check->problems > 0) {
        print_(std::wstring(kit_messages::kCheckFailed) + folder.path);
        passed = false;
      }
    }
    return passed;
  }

  // Each picture standing for a texture's DDS file, encoded as encode would, into a temporary file
  // that the archive takes in the DDS file's place. Only the game's asset files say a texture's
  // format and size: pictures in a patch packed without the game are refused.
  std::optional<EncodedPictures> encodePictures(const pack::PatchLayout& patch,
                                                kit_files::TemporaryFiles& temporary) {
    EncodedPictures pictures;
    if (!options_.game) {
      for (const std::wstring& file : patch.files) {
        if (pack::isPicture(patch, file)) {
          print_(std::wstring(kit_messages::kPicturesNeedGame) + file);
          return std::nullopt;
        }
      }
      return pictures;
    }
    for (const pack::UnpackedFolder& folder : patch.unpacked) {
      const std::optional<std::vector<EncodedPicture>> encoded = encodeFolderPictures(
          pack::joined(*options_.game, folder.assetPath), pack::joined(options_.patch, folder.path), classes_,
          [&temporary](const std::wstring&) { return temporary.next(L".dds.tmp"); }, print_);
      if (!encoded) return std::nullopt;
      const std::size_t root = options_.patch.size() + 1;
      for (const EncodedPicture& picture : *encoded)
        pictures[picture.picture.substr(root)] = {picture.dds.substr(root), picture.written};
    }
    return pictures;
  }

  bool readPrograms(const pack::PatchLayout& patch) {
    const std::wstring kit = kit_platform::programFolder();
    installerPath_ = options_.installer.value_or(pack::joined(kit, L"cmpatch.exe"));
    installer_ = readWholeFile(installerPath_);
    bool found = isWindowsProgram(installer_);
    if (!found) print_(std::wstring(kit_messages::kProgramMissing) + installerPath_);
    qmxPath_ = options_.qmx.value_or(pack::joined(kit, L"qmx.exe"));
    if (!patch.unpacked.empty() && !isWindowsProgram(readWholeFile(qmxPath_))) {
      print_(std::wstring(kit_messages::kProgramMissing) + qmxPath_);
      found = false;
    }
    return found;
  }

  bool outputAllowed() {
    output_ = options_.output.value_or(L"cmpatch.exe");
    if (!isInside(output_, options_.patch) && !sameFile(output_, installerPath_)) return true;
    print_(std::wstring(kit_messages::kOutputRefused) + output_);
    return false;
  }

  bool write(const pack::PatchLayout& patch, const translation::Characters& characters,
             const EncodedPictures& pictures, kit_files::TemporaryFiles& temporary) {
    if (const std::wstring folder = platform::parentFolder(output_); !folder.empty())
      platform::createFolders(folder);
    const std::wstring installArchive = temporary.next(L".install.tmp");
    const std::wstring uninstallArchive = temporary.next(L".uninstall.tmp");
    const std::wstring program = temporary.next(L".tmp");
    const std::vector<pack::ArchiveEntry> entries = installEntries(patch, qmxPath_, pictures);
    if (!pack::writeZip(installArchive, entries) ||
        !pack::writeZip(uninstallArchive, {{"wchar.txt", translation::wcharText(characters)}})) {
      return unwritten();
    }
    const std::optional<Bytes> install = readWholeFile(installArchive);
    const std::optional<Bytes> uninstall = readWholeFile(uninstallArchive);
    if (!install || !uninstall) return unwritten();
    if (install->size() >= kLargestArchive) {
      print_(std::wstring(kit_messages::kArchiveTooLarge) + std::to_wstring(install->size()));
      return false;
    }
    std::vector<pe::Resource> resources = *pe::readResources(*installer_);
    pe::putResource(resources, payload(kInstallPayload, *install));
    pe::putResource(resources, payload(kUninstallPayload, *uninstall));
    if (!pe::writeWithResources(program, *installer_, resources) ||
        kit_platform::replaceFile(program, output_)) {
      return unwritten();
    }
    print_(kit_messages::packed(output_, entries.size(), install->size(), characters.size() + 1));
    return true;
  }

  static pe::Resource payload(std::uint16_t id, const Bytes& archive) {
    pe::Resource resource;
    resource.type.name = u"DAT";
    resource.name.id = id;
    resource.language = kChineseSimplified;
    resource.data = archive;
    return resource;
  }

  bool unwritten() {
    print_(std::wstring(kit_messages::kInstallerNotWritten) + output_);
    return false;
  }

  const PackOptions& options_;
  const ClassIdTable& classes_;
  const LinePrinter& print_;
  std::wstring installerPath_;
  std::optional<Bytes> installer_;
  std::wstring qmxPath_;
  std::wstring output_;
};

}  // namespace

int packInstaller(const PackOptions& options, const ClassIdTable& classes, const LinePrinter& print) {
  try {
    return Packer(options, classes, print).run();
  } catch (const std::bad_alloc&) {
    // The files made on the way are removed as the packer unwinds.
    print(std::wstring(kit_messages::kPackOutOfMemory) + options.patch);
    print(kit_messages::kNotPacked);
    return 1;
  }
}
