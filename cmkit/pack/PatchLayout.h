#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"

// A patch folder: it mirrors the game folder, holding the files that replace game files outright
// and, beside each asset file to rebuild, that file's unpacked folder.
namespace pack {

// The game's data folder, where its asset files lie.
inline constexpr std::wstring_view kDataFolder = L"Cindermoor_Data";

struct UnpackedFolder {
  std::wstring path;       // relative to the patch, with backslashes: Cindermoor_Data\resources_unpak
  std::wstring assetPath;  // the asset file it rebuilds, relative to the game folder
};

struct PatchLayout {
  std::wstring root;
  std::vector<std::wstring> folders;     // relative, each before the folders inside it
  std::vector<std::wstring> files;       // relative, in name order
  std::vector<UnpackedFolder> unpacked;  // in name order; the first one carries qmx.exe
};

// Reads the patch folder. The asset file of an unpacked folder is looked for in the game folder
// when one is given, and otherwise named as the engine names its files. Prints a line for each
// reason the patch would not install, and then gives nothing.
std::optional<PatchLayout> readPatchLayout(const std::wstring& root, const std::optional<std::wstring>& game,
                                           const LinePrinter& print);

// The path inside the folder, formed with a backslash; the path alone when the folder is empty.
std::wstring joined(const std::wstring& folder, const std::wstring& path);

// The archive's name of a path in the patch: "/" separators, and a folder's ending in "/".
std::wstring entryName(const std::wstring& path, bool folder);

// Whether the file of the patch (relative) is a picture (.png) in the Texture2D folder of an
// unpacked folder, which stands for the texture's DDS file.
bool isPicture(const PatchLayout& patch, const std::wstring& file);

// The entries that the packing adds: they must not be in the patch.
std::wstring qmxEntry(const PatchLayout& patch);
std::wstring importCopyEntry(const PatchLayout& patch);
inline constexpr std::wstring_view kBatchEntry = L"Cindermoor_Data\\qmx.bat";
// The file whose presence makes the installer uninstall; the install never writes it.
inline constexpr std::wstring_view kUninstallMarker = L"Cindermoor.h";

// The batch file that the installer runs after extraction, in the players' code page: one import
// line per unpacked folder, an empty line, one rd line per unpacked folder; CR LF line ends and
// none after the last line.
std::string batchFile(const PatchLayout& patch);
// The UTF-16LE copy, with a byte-order mark, of the batch file's import lines.
std::vector<std::uint8_t> importLinesCopy(const PatchLayout& patch);

}  // namespace pack
