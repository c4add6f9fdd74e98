#include "pack/PatchLayout.h"

#include <algorithm>
#include <filesystem>

#include "app/KitMessages.h"
#include "names/WindowsNames.h"
#include "platform/KitPlatform.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "text/UnicodeText.h"

namespace pack {
namespace {

constexpr std::wstring_view kUnpackSuffix = L"_unpak";
// The extraction takes names of up to 259 bytes, at most 65,535 entries and files below 4 GiB.
constexpr std::size_t kLongestEntryName = 259;
constexpr std::size_t kMostEntries = 65535;
constexpr std::uintmax_t kLargestFile = 0xFFFFFFFFu;
// Entries that the packing adds besides the patch's own: qmx.exe, the import lines' copy, the batch.
constexpr std::size_t kAddedEntries = 3;

// Entry names compare as Windows compares file names.
bool sameEntry(const std::wstring& a, std::wstring_view b) {
  return windows_names::foldedCase(a) == windows_names::foldedCase(b);
}

std::wstring parentOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(platform::kPathSeparator);
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring nameOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(platform::kPathSeparator);
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool isUnpackedFolderName(const std::wstring& name) {
  return name.size() > kUnpackSuffix.size() && name.ends_with(kUnpackSuffix);
}

std::wstring assetStem(const UnpackedFolder& folder) {
  const std::wstring name = nameOf(folder.path);
  return name.substr(0, name.size() - kUnpackSuffix.size());
}

// The engine gives its scene files and the files of its managers no extension, and every other
// asset file the extension .assets.
std::wstring conventionalAssetName(const std::wstring& stem) {
  const bool scene =
      stem.size() > 5 && stem.starts_with(L"level") &&
      std::all_of(stem.begin() + 5, stem.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
  return scene || stem == L"mainData" || stem == L"globalgamemanagers" ? stem : stem + L".assets";
}

class LayoutReader {
 public:
  LayoutReader(const std::wstring& root, const std::optional<std::wstring>& game, const LinePrinter& print)
      : game_(game), print_(print) {
    patch_.root = root;
  }

  std::optional<PatchLayout> read() {
    std::error_code error;
    const std::filesystem::path root = platform::fileSystemPath(patch_.root);
    if (!std::filesystem::is_directory(root, error)) {
      print_(std::wstring(kit_messages::kPatchMissing) + patch_.root);
      return std::nullopt;
    }
    scan(root);
    if (patch_.files.empty() && refusals_ == 0) refuse(kit_messages::kPatchEmpty, patch_.root);
    std::sort(patch_.folders.begin(), patch_.folders.end());
    std::sort(patch_.files.begin(), patch_.files.end());
    std::sort(patch_.unpacked.begin(), patch_.unpacked.end(),
              [](const UnpackedFolder& a, const UnpackedFolder& b) { return a.path < b.path; });
    for (UnpackedFolder& folder : patch_.unpacked) placeAsset(folder);
    checkAddedEntries();
    const std::size_t entries = patch_.folders.size() + patch_.files.size() + kAddedEntries;
    if (entries > kMostEntries) {
      refuse(kit_messages::kTooManyEntries, std::to_wstring(entries));
    }
    if (refusals_ > 0) return std::nullopt;
    return std::move(patch_);
  }

 private:
  void scan(const std::filesystem::path& root) {
    std::error_code error;
    auto it = std::filesystem::recursive_directory_iterator(root, error);
    for (; !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      std::wstring path = platform::fromFileSystemPath(it->path().lexically_relative(root));
      std::replace(path.begin(), path.end(), L'/', platform::kPathSeparator);
      if (it->is_directory(error)) {
        addFolder(path);
      } else if (it->is_regular_file(error)) {
        addFile(path, it->file_size(error));
      } else {
        refuse(kit_messages::kNotRegularFile, path);
      }
    }
    if (error) refuse(kit_messages::kPatchUnreadable, patch_.root);
  }

  void addFolder(const std::wstring& path) {
    checkName(path, true);
    patch_.folders.push_back(path);
    if (isUnpackedFolderName(nameOf(path)) && !insideUnpackedFolder(path)) {
      patch_.unpacked.push_back({path, {}});
    }
  }

  void addFile(const std::wstring& path, std::uintmax_t size) {
    checkName(path, false);
    if (size > kLargestFile) refuse(kit_messages::kFileTooLarge, path);
    if (sameEntry(path, kUninstallMarker) || sameEntry(path, kBatchEntry)) {
      refuse(kit_messages::kReservedEntry, path);
    }
    patch_.files.push_back(path);
  }

  bool insideUnpackedFolder(const std::wstring& path) const {
    return std::any_of(patch_.unpacked.begin(), patch_.unpacked.end(), [&](const UnpackedFolder& folder) {
      return path.starts_with(folder.path + platform::kPathSeparator);
    });
  }

  // What the extraction refuses, refused here first: names that no Windows file can have, that the
  // players' code page cannot write, or that are longer than the installer reads.
  void checkName(const std::wstring& path, bool folder) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = path.find(platform::kPathSeparator, start);
      const std::wstring component = path.substr(start, end == std::wstring::npos ? end : end - start);
      const windows_names::Problem problem = windows_names::fileNameProblem(component);
      if (problem != windows_names::Problem::None) {
        return refuse(std::wstring(kit_messages::kNotAnEntryName) +
                          std::wstring(kit_messages::nameProblem(problem)) + L"：",
                      path);
      }
      if (end == std::wstring::npos) break;
      start = end + 1;
    }
    const std::optional<std::string> gbk = kit_platform::toGbk(entryName(path, folder));
    if (!gbk) return refuse(kit_messages::kNotGbk, path);
    if (gbk->size() > kLongestEntryName) {
      refuse(kit_messages::kEntryNameTooLong, path + L"（" + std::to_wstring(gbk->size()) + L" 字节）");
    }
  }

  void placeAsset(UnpackedFolder& folder) {
    const std::wstring place = parentOf(folder.path);
    const std::wstring stem = assetStem(folder);
    if (!game_) {
      if (place != kDataFolder) return refuse(kit_messages::kUnpackedFolderMisplaced, folder.path);
      folder.assetPath = joined(place, conventionalAssetName(stem));
      print_(folder.path + std::wstring(kit_messages::kAssetAssumed) + folder.assetPath);
    } else {
      const std::vector<std::wstring> assets = assetsIn(place, stem);
      if (assets.empty()) return refuse(kit_messages::kNoAssetFile, folder.path);
      if (assets.size() > 1) return refuse(kit_messages::kSeveralAssetFiles, folder.path);
      folder.assetPath = assets.front();
    }
    if (!kit_platform::toGbk(folder.assetPath)) return refuse(kit_messages::kNotGbk, folder.assetPath);
    if (folder.path.find(L'%') != std::wstring::npos || folder.assetPath.find(L'%') != std::wstring::npos) {
      refuse(kit_messages::kPercentInBatch, folder.path);
    }
  }

  // The game's asset files in the folder whose name without its extension is the stem.
  std::vector<std::wstring> assetsIn(const std::wstring& place, const std::wstring& stem) const {
    std::vector<std::wstring> assets;
    std::error_code error;
    const std::wstring folder = joined(*game_, place);
    for (const auto& entry : std::filesystem::directory_iterator(platform::fileSystemPath(folder), error)) {
      if (!entry.is_regular_file(error)) continue;
      const std::wstring name = platform::fromFileSystemPath(entry.path().filename());
      const bool matches = platform::fileNamesIgnoreCase() ? sameEntry(platform::removeExtension(name), stem)
                                                           : platform::removeExtension(name) == stem;
      SerializedFile file;
      const std::wstring path = joined(place, name);
      if (matches && file.loadReadOnly(joined(*game_, path)) == LoadStatus::Loaded) assets.push_back(path);
    }
    return assets;
  }

  void checkAddedEntries() {
    if (patch_.unpacked.empty()) return;
    for (const std::wstring& added : {qmxEntry(patch_), importCopyEntry(patch_)}) {
      const bool taken = std::any_of(patch_.files.begin(), patch_.files.end(),
                                     [&](const std::wstring& file) { return sameEntry(file, added); });
      if (taken) refuse(kit_messages::kReservedEntry, added);
    }
  }

  void refuse(std::wstring_view why, const std::wstring& what) {
    ++refusals_;
    print_(std::wstring(why) + what);
  }

  PatchLayout patch_;
  const std::optional<std::wstring>& game_;
  const LinePrinter& print_;
  int refusals_ = 0;
};

// A path on a batch line: quoted when it holds a character that would end or split it there.
std::wstring batchPath(const std::wstring& path) {
  const std::wstring line = L".\\" + path;
  return line.find_first_of(L" &^(),;=!'+[]{}`~") == std::wstring::npos ? line : L"\"" + line + L"\"";
}

std::vector<std::wstring> importLines(const PatchLayout& patch) {
  std::vector<std::wstring> lines;
  for (const UnpackedFolder& folder : patch.unpacked) {
    lines.push_back(batchPath(qmxEntry(patch)) + L" -i " + batchPath(folder.assetPath));
  }
  return lines;
}

}  // namespace

std::optional<PatchLayout> readPatchLayout(const std::wstring& root, const std::optional<std::wstring>& game,
                                           const LinePrinter& print) {
  return LayoutReader(root, game, print).read();
}

std::wstring joined(const std::wstring& folder, const std::wstring& path) {
  return folder.empty() ? path : folder + platform::kPathSeparator + path;
}

bool isPicture(const PatchLayout& patch, const std::wstring& file) {
  if (!windows_names::foldedCase(file).ends_with(L".png")) return false;
  return std::any_of(patch.unpacked.begin(), patch.unpacked.end(), [&file](const UnpackedFolder& folder) {
    const std::wstring textures = folder.path + L"\\Texture2D\\";
    return windows_names::foldedCase(file).starts_with(windows_names::foldedCase(textures));
  });
}

std::wstring entryName(const std::wstring& path, bool folder) {
  std::wstring name = path;
  std::replace(name.begin(), name.end(), platform::kPathSeparator, L'/');
  if (folder) name += L'/';
  return name;
}

std::wstring qmxEntry(const PatchLayout& patch) {
  return patch.unpacked.front().path + L"\\qmx.exe";
}

std::wstring importCopyEntry(const PatchLayout& patch) {
  return patch.unpacked.front().path + L"\\qmx.bat";
}

std::string batchFile(const PatchLayout& patch) {
  std::wstring text = L"@echo off\r\n";
  for (const std::wstring& line : importLines(patch)) text += line + L"\r\n";
  text += L"\r\n";
  for (std::size_t i = 0; i < patch.unpacked.size(); ++i) {
    if (i > 0) text += L"\r\n";
    text += L"rd /S /Q " + batchPath(patch.unpacked[i].path + L"\\");
  }
  return kit_platform::toGbk(text).value_or(std::string());
}

std::vector<std::uint8_t> importLinesCopy(const PatchLayout& patch) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (const std::wstring& line : importLines(patch)) {
    // The lines have a GBK form, so each character is one UTF-16 unit.
    for (wchar_t c : line + L"\r\n") unicode::appendUtf16le(bytes, static_cast<char32_t>(c));
  }
  return bytes;
}

}  // namespace pack
