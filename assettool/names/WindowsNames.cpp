#include "names/WindowsNames.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace windows_names {
namespace {

wchar_t upperAscii(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool equalIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return upperAscii(x) == upperAscii(y);
         });
}

bool isPortName(std::wstring_view name) {
  if (name.size() != 4) return false;
  const std::wstring_view prefix = name.substr(0, 3);
  const wchar_t digit = name[3];
  const bool numbered =
      (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
  return numbered && (equalIgnoringAsciiCase(prefix, L"COM") || equalIgnoringAsciiCase(prefix, L"LPT"));
}

}  // namespace

bool isDeviceName(std::wstring_view component) {
  constexpr std::wstring_view kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  std::wstring_view name = component.substr(0, component.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
  return isPortName(name) ||
         std::any_of(std::begin(kDevices), std::end(kDevices),
                     [name](std::wstring_view device) { return equalIgnoringAsciiCase(name, device); });
}

bool isForbiddenCharacter(wchar_t c) {
  return c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos;
}

Problem fileNameProblem(std::wstring_view name) {
  if (name.empty()) return Problem::Empty;
  if (name == L"." || name == L"..") return Problem::DotName;
  if (name.find_first_of(L"\\/") != std::wstring_view::npos) return Problem::Separator;
  if (std::any_of(name.begin(), name.end(), isForbiddenCharacter)) return Problem::Character;
  if (isDeviceName(name)) return Problem::Device;
  if (name.back() == L'.' || name.back() == L' ') return Problem::TrailingDotOrBlank;
  if (name.size() > kLongestFileName) return Problem::TooLong;
  return Problem::None;
}

std::wstring foldedCase(std::wstring_view name) {
  std::wstring folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); });
  return folded;
}

bool hasExtension(std::wstring_view name, std::wstring_view extension) {
  return name.size() >= extension.size() &&
         foldedCase(name.substr(name.size() - extension.size())) == foldedCase(extension);
}

}  // namespace windows_names
