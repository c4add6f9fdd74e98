#include "platform/Platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <memory>

namespace platform {
namespace {

// The console texts are GBK whatever the system's ANSI code page is.
constexpr UINT kConsoleCodePage = 936;

std::string encode(std::wstring_view wide, UINT codePage) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(length, '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

struct LocalFreeDeleter {
  void operator()(LPWSTR* p) const { LocalFree(p); }
};

}  // namespace

void initialise() {}

std::vector<std::wstring> arguments(int, char**) {
  int count = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> result;
  for (int i = 1; argv && i < count; ++i) result.emplace_back(argv.get()[i]);
  return result;
}

std::wstring toWide(std::string_view narrow) {
  if (narrow.empty()) return {};
  const int size = static_cast<int>(narrow.size());
  const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), size, nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), size, wide.data(), length);
  return wide;
}

std::string toNarrow(std::wstring_view wide) {
  return encode(wide, CP_THREAD_ACP);
}

bool pathExists(const std::wstring& path) {
  return PathFileExistsW(path.c_str()) != FALSE;
}

std::wstring removeExtension(const std::wstring& path) {
  std::wstring result = path;
  PathRemoveExtensionW(result.data());
  result.resize(wcslen(result.c_str()));
  return result;
}

FILE* openReadWrite(const std::wstring& path) {
  return _wfopen(path.c_str(), L"r+b");
}
FILE* openReadOnly(const std::wstring& path) {
  return _wfopen(path.c_str(), L"rb");
}
bool seekFile(FILE* file, std::int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}
std::int64_t tellFile(FILE* file) {
  return _ftelli64(file);
}

std::optional<std::string_view> classTableText() {
  constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  const HMODULE self = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceExW(self, L"ID", MAKEINTRESOURCEW(102), kChinesePrc);
  if (found == nullptr) return std::nullopt;
  const HGLOBAL loaded = LoadResource(self, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return std::string_view(static_cast<const char*>(data), SizeofResource(self, found));
}

void printLine(std::wstring_view text) {
  const std::string bytes = encode(text, kConsoleCodePage);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace platform
