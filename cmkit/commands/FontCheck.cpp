#include "commands/FontCheck.h"

#include <algorithm>
#include <new>

#include "app/KitMessages.h"
#include "fonts/FontCoverage.h"
#include "names/WindowsNames.h"
#include "platform/Platform.h"
#include "stream/AssetStream.h"
#include "text/UnicodeText.h"

namespace {

std::vector<std::wstring> filesOf(const std::wstring& path) {
  if (!std::filesystem::is_directory(platform::fileSystemPath(path))) return {path};
  std::vector<std::wstring> files;
  for (const std::wstring& file : platform::filesBelow(path))
    files.push_back(path + platform::kPathSeparator + file);
  std::sort(files.begin(), files.end());
  return files;
}

// The line for a font that would show boxes, or nothing when it has a glyph for every character.
std::optional<std::wstring> fontProblem(const std::wstring& path, const std::wstring& shown,
                                        const std::u32string& wanted) {
  try {
    const std::optional<std::vector<std::uint8_t>> bytes = readWholeFile(path);
    const std::optional<std::u32string> missing =
        bytes ? fonts::missingCharacters(*bytes, wanted) : std::nullopt;
    if (!missing) return shown + std::wstring(kit_messages::kFontUnreadable);
    if (missing->empty()) return std::nullopt;
    return kit_messages::fontMissing(shown, missing->size(), unicode::toWide(*missing));
  } catch (const std::bad_alloc&) {
    return shown + std::wstring(kit_messages::kFontOutOfMemory);
  }
}

}  // namespace

translation::Characters translationCharacters(const std::wstring& path, const LinePrinter& print) {
  translation::Characters characters;
  for (const std::wstring& file : filesOf(path)) {
    if (!translation::isTextFile(file)) continue;
    const std::shared_ptr<const ByteRegion> text = ByteRegion::openFile(file);
    if (!text || !translation::addShownCharacters(characters, *text))
      print(std::wstring(kit_messages::kNotText) + file);
  }
  return characters;
}

int checkFonts(const std::wstring& folder, const std::wstring& shownFolder,
               const translation::Characters& characters, const LinePrinter& print) {
  if (characters.empty()) return 0;
  const std::u32string wanted(characters.begin(), characters.end());
  std::vector<std::wstring> fonts = platform::filesBelow(folder);
  std::erase_if(fonts, [](const std::wstring& file) { return !windows_names::hasExtension(file, L".ttf"); });
  std::sort(fonts.begin(), fonts.end());
  int lacking = 0;
  for (const std::wstring& font : fonts) {
    const std::wstring shown = shownFolder.empty() ? font : shownFolder + platform::kPathSeparator + font;
    if (const std::optional<std::wstring> line =
            fontProblem(folder + platform::kPathSeparator + font, shown, wanted)) {
      ++lacking;
      print(*line);
    }
  }
  return lacking;
}
