#include "install/TextConversion.h"

#include <windows.h>

std::wstring ToWide(const std::string& narrow) {
  if (narrow.empty()) return {};
  const int size = static_cast<int>(narrow.size());
  const int length = ::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), size, wide.data(), length);
  return wide;
}

std::string ToNarrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}
