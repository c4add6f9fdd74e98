#include "commands/FontCommand.h"

#include <new>

#include "app/KitMessages.h"
#include "commands/FontCheck.h"
#include "files/WholeFile.h"
#include "fonts/FontCoverage.h"
#include "fonts/FontSubset.h"

namespace {

constexpr char32_t kFirstPrintableAscii = U' ';
constexpr char32_t kLastPrintableAscii = U'~';

translation::Characters wantedCharacters(const FontOptions& options, const LinePrinter& print) {
  translation::Characters characters;
  if (options.text) {
    characters = translationCharacters(*options.text, print);
  } else {
    print(kit_messages::kAsciiOnly);
  }
  for (char32_t c = kFirstPrintableAscii; c <= kLastPrintableAscii; ++c) characters.insert(c);
  return characters;
}

int refuse(const LinePrinter& print, const std::wstring& line) {
  print(line);
  return 1;
}

}  // namespace

int cutFont(const FontOptions& options, const LinePrinter& print) {
  try {
    const std::optional<std::vector<std::uint8_t>> font = readWholeFile(options.font);
    if (!font) return refuse(print, std::wstring(kit_messages::kFontNotReadForCutting) + options.font);
    const translation::Characters characters = wantedCharacters(options, print);
    const std::u32string wanted(characters.begin(), characters.end());
    fonts::SubsetFailure failure{};
    const std::optional<std::vector<std::uint8_t>> cut = fonts::subset(*font, options.index, wanted, failure);
    if (!cut)
      return refuse(print,
                    kit_messages::fontNotCut(failure, fonts::faceCount(*font), options.index, options.font));
    const std::optional<std::u32string> missing = fonts::missingCharacters(*cut, wanted);
    if (!missing) return refuse(print, std::wstring(kit_messages::kFontNotReadForCutting) + options.font);
    if (!missing->empty()) return refuse(print, kit_messages::fontLacks(*missing));
    const std::optional<kit_files::WriteFailure> written =
        kit_files::writeWholeFile(options.output, [&cut](AssetStream& stream) {
          stream.writeBytes(*cut);
          return true;
        });
    if (written) return refuse(print, kit_messages::notWritten(options.output, *written));
    print(kit_messages::fontCut(options.output, font->size(), cut->size(), characters.size()));
    return 0;
  } catch (const std::bad_alloc&) {
    return refuse(print, std::wstring(kit_messages::kFontCutOutOfMemory) + options.font);
  }
}
