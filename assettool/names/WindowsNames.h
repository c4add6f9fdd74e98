#pragma once

#include <string>
#include <string_view>

// What Windows takes as the name of one file, known on every platform: the kit checks names on
// Linux for the Windows machines the patch installs on, and the installer checks its entries.
namespace windows_names {

// A name that Windows resolves to a device in any folder, whatever follows its first dot, with
// trailing blanks and in any letter case: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9 (and with
// the superscript digits 1 to 3), CONIN$ and CONOUT$.
bool isDeviceName(std::wstring_view component);

// A character that no file name can hold: a control character or one of < > : " | ? *.
bool isForbiddenCharacter(wchar_t c);

// Why the text cannot be the name of one file in a folder, or None.
enum class Problem { None, Empty, DotName, Separator, Device, Character, TrailingDotOrBlank, TooLong };
Problem fileNameProblem(std::wstring_view name);

// The name in the letter case that Windows ignores when it compares file names: lower case.
std::wstring foldedCase(std::wstring_view name);

// Whether the name ends in the extension (".ttf"), in any letter case.
bool hasExtension(std::wstring_view name, std::wstring_view extension);

// The longest file name, in UTF-16 units.
inline constexpr std::size_t kLongestFileName = 255;

}  // namespace windows_names
