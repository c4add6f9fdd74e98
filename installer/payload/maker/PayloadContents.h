#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The entries of the patch's two archives, made from the translated files under the patch source
// folder, the demo game's object names and the Windows build of qmx.
namespace payload {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
  std::string name;  // relative to the game folder, "/" separators; folders end in "/"
  Bytes data;        // empty for folders

  bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

// The translated text files, relative to the patch source folder, whose characters wchar.txt holds.
extern const std::vector<std::string> kTranslatedTextFiles;

// The batch file that the installer runs after extraction: narrow, CR LF, no end after its last line.
std::string batchFile();
// The UTF-16LE copy, with byte-order mark, of the batch file's two import lines.
Bytes importLinesCopy();

// Every folder entry first (each before the folders inside it), then the files.
std::vector<Entry> installEntries(const std::filesystem::path& patchSource,
                                  const std::filesystem::path& qmxExe);

// The distinct characters of the texts plus the printable ASCII characters, ascending, then U+FFFD,
// as UTF-16LE with a byte-order mark. Characters below U+0020, U+007F and a byte-order mark are
// not counted; a character above U+FFFD is an error.
Bytes wcharText(const std::vector<std::string>& utf8Texts);

std::vector<Entry> uninstallEntries(const std::filesystem::path& patchSource);

// Code points of UTF-8 text; invalid bytes are an error.
std::u32string decodeUtf8(const std::string& text);

Bytes readBytes(const std::filesystem::path& path);

}  // namespace payload
