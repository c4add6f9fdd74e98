#include <windows.h>

#include <vector>

#include "platform/KitPlatform.h"

namespace kit_platform {
namespace {

constexpr UINT kGbk = 936;

}  // namespace

std::optional<std::string> toGbk(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int units = static_cast<int>(text.size());
  BOOL defaulted = FALSE;
  const int length =
      WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr, &defaulted);
  if (length <= 0 || defaulted) return std::nullopt;
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, text.data(), units, narrow.data(), length, nullptr,
                      &defaulted);
  if (defaulted) return std::nullopt;
  return narrow;
}

std::wstring programFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return L".";
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      return path.substr(0, path.find_last_of(L"\\/"));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::error_code replaceFile(const std::wstring& from, const std::wstring& target) {
  if (MoveFileExW(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace kit_platform
