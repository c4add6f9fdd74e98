#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The demo patch as a translator lays it out for cmkit pack: a folder that mirrors the game folder,
// with the translated files that replace game files outright and the unpacked folders of the two
// asset files, whose replacement objects fit the demo game's objects.
namespace demo_patch {

// The translated text files, relative to the source folder of the translation.
extern const std::vector<std::string> kTranslatedTextFiles;

// Writes the patch folder from the translation's source folder; throws on failure.
void writePatch(const std::filesystem::path& translationSource, const std::filesystem::path& patch);

}  // namespace demo_patch
