#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TextureDecode.h"

// What the game's loading screen shows, read from its own asset files as the engine would: the
// picture, a loading tip and the font it is drawn in. Anything that cannot be read gives the one
// line the error screen shows instead, so that a wrongly rebuilt object is seen, never guessed
// around.
namespace game {

inline constexpr std::wstring_view kSharedAssets = L"Cindermoor_Data\\sharedassets1.assets";
inline constexpr std::wstring_view kResources = L"Cindermoor_Data\\resources.assets";
inline constexpr std::string_view kLoadingScreen = "LoadingScreen_Ashfall";
// Taken, first in path-ID order, when the file has no kLoadingScreen.
inline constexpr std::string_view kLoadingScreenPrefix = "LoadingScreen_";
inline constexpr std::string_view kLocalization = "Localization";
inline constexpr std::string_view kTipFont = "EmberSans";

struct LoadingScreen {
  Picture picture;
  std::wstring tip;
  std::vector<std::uint8_t> fontData;
  std::vector<std::wstring> fontFamilies;  // best first (FontNames.h), never empty
};

struct ScreenContent {
  std::optional<LoadingScreen> screen;
  std::wstring failure;  // when there is no screen: the error screen's line, Chinese and English
};

// Reads both asset files of the game folder (read-only) and finds the objects in either: the
// Texture2D kLoadingScreen, the TextAsset kLocalization and the Font kTipFont.
ScreenContent loadScreenContent(const std::wstring& gameFolder);

// The error screen's line when Windows will not load the font that loadScreenContent read.
std::wstring fontLoadFailure();

// The tip of a comma-separated localization table (UTF-8, fields in double quotes where they hold
// commas, quotes or line ends): the last field of the row whose key is "tip.0", or when there is
// none of the first row whose key starts "tip.". Before the patch the last column is the English
// text, after it the translation. Nothing when the table has no tip row; an empty text for a tip
// row without a text column.
std::optional<std::string> tipOfTable(std::string_view table);

}  // namespace game
