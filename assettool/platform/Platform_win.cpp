#include "platform/Platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <io.h>

#include <memory>

#include "names/WindowsNames.h"

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

// A path holds at most 32767 UTF-16 units, and no ANSI code page needs more than three bytes for one.
constexpr std::size_t kLongestPathUnits = 32767;
constexpr std::size_t kMostBytesPerUnit = 3;

// Windows resolves these file names to devices in any folder: reading NUL gives nothing, reading CON
// waits on the console.
bool namesDevice(std::wstring_view path) {
  return windows_names::isDeviceName(path.substr(path.find_last_of(L"\\/") + 1));
}

HANDLE osHandle(FILE* file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
}

// Only files on disk: a device name is not even opened, and whatever else turns out not to be a
// disk file once open is closed again before anything is read.
FILE* openDiskFile(const std::wstring& path, const wchar_t* mode) {
  if (namesDevice(path)) return nullptr;
  FILE* file = _wfopen(path.c_str(), mode);
  if (file != nullptr && GetFileType(osHandle(file)) != FILE_TYPE_DISK) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

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
  return !namesDevice(path) && PathFileExistsW(path.c_str()) != FALSE;
}

std::size_t longestPathBytes() {
  return kLongestPathUnits * kMostBytesPerUnit;
}

std::wstring removeExtension(const std::wstring& path) {
  std::wstring result = path;
  PathRemoveExtensionW(result.data());
  result.resize(wcslen(result.c_str()));
  return result;
}

FILE* openReadWrite(const std::wstring& path) {
  return openDiskFile(path, L"r+b");
}
FILE* openReadOnly(const std::wstring& path) {
  return openDiskFile(path, L"rb");
}
FILE* createFile(const std::wstring& path) {
  return openDiskFile(path, L"w+b");
}
std::filesystem::path fileSystemPath(const std::wstring& path) {
  return std::filesystem::path(path);
}
std::wstring fromFileSystemPath(const std::filesystem::path& path) {
  return path.wstring();
}
bool fileNamesIgnoreCase() {
  return true;
}
bool seekFile(FILE* file, std::int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}
std::int64_t tellFile(FILE* file) {
  return _ftelli64(file);
}
bool truncateFile(FILE* file, std::int64_t size) {
  const HANDLE handle = osHandle(file);
  LARGE_INTEGER end;
  end.QuadPart = size;
  return SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
}

// Windows has no call that copies between open files; the caller copies in pieces.
std::uint64_t copyFileRange(FILE*, std::int64_t, FILE*, std::int64_t, std::uint64_t) {
  return 0;
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
