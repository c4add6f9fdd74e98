#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwchar>

// Generated at build time from assettool/resources/classes.txt.
extern const unsigned char kEmbeddedClassTable[];
extern const std::size_t kEmbeddedClassTableSize;

namespace platform {
namespace {

// Bytes that the locale cannot decode become lone low surrogates, as in Python's surrogateescape,
// so that a file name read from an asset file reaches the file system with its own bytes.
constexpr wchar_t kEscapeBase = 0xDC00;

bool isEscapedByte(wchar_t c) {
  return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string nativePath(const std::wstring& path) {
  std::string narrow = toNarrow(path);
  for (char& c : narrow) {
    if (c == '\\') c = '/';
  }
  return narrow;
}

}  // namespace

void initialise() {
  std::setlocale(LC_ALL, "");
}

std::vector<std::wstring> arguments(int argc, char** argv) {
  std::vector<std::wstring> result;
  for (int i = 1; i < argc; ++i) result.push_back(toWide(argv[i]));
  return result;
}

std::wstring toWide(std::string_view narrow) {
  std::wstring wide;
  std::mbstate_t state{};
  std::size_t i = 0;
  while (i < narrow.size()) {
    wchar_t c = 0;
    const std::size_t used = std::mbrtowc(&c, narrow.data() + i, narrow.size() - i, &state);
    if (used == 0) {
      wide += L'\0';
      ++i;
    } else if (used > narrow.size() - i) {  // (size_t)-1 or -2: not decodable here
      wide += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(narrow[i]));
      state = std::mbstate_t{};
      ++i;
    } else {
      wide += c;
      i += used;
    }
  }
  return wide;
}

std::string toNarrow(std::wstring_view wide) {
  std::string narrow;
  std::mbstate_t state{};
  char buffer[MB_LEN_MAX];
  for (wchar_t c : wide) {
    if (isEscapedByte(c)) {
      narrow += static_cast<char>(c - kEscapeBase);
      continue;
    }
    const std::size_t length = std::wcrtomb(buffer, c, &state);
    if (length == static_cast<std::size_t>(-1)) {
      appendUtf8(narrow, static_cast<char32_t>(c));  // the locale cannot say it: UTF-8 can
      state = std::mbstate_t{};
    } else {
      narrow.append(buffer, length);
    }
  }
  return narrow;
}

bool pathExists(const std::wstring& path) {
  struct stat info;
  return ::stat(nativePath(path).c_str(), &info) == 0 && (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode));
}

std::size_t longestPathBytes() {
  return PATH_MAX - 1;  // PATH_MAX counts the terminating zero
}

std::wstring removeExtension(const std::wstring& path) {
  // The shell's rule: the last dot after the last separator or blank starts the extension.
  std::size_t dot = std::wstring::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const wchar_t c = path[i];
    if (c == L'\\' || c == L'/' || c == L' ') {
      dot = std::wstring::npos;
    } else if (c == L'.') {
      dot = i;
    }
  }
  return dot == std::wstring::npos ? path : path.substr(0, dot);
}

// Only regular files: the C library opens folders for reading too, with a meaningless size. The
// file is opened without blocking and looked at before anything is read, so that a FIFO (whose
// opening waits for a writer) or a device named like a file is turned away rather than waited on.
FILE* openRegularFile(const std::wstring& path, int access, const char* mode) {
  const int descriptor = ::open(nativePath(path).c_str(), access | O_NONBLOCK, 0666);
  if (descriptor < 0) return nullptr;
  struct stat info;
  FILE* file = nullptr;
  if (::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
      ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) == 0) {
    file = ::fdopen(descriptor, mode);
  }
  if (file == nullptr) ::close(descriptor);
  return file;
}

FILE* openReadWrite(const std::wstring& path) {
  return openRegularFile(path, O_RDWR, "r+b");
}
FILE* openReadOnly(const std::wstring& path) {
  return openRegularFile(path, O_RDONLY, "rb");
}
FILE* createFile(const std::wstring& path) {
  FILE* file = openRegularFile(path, O_RDWR | O_CREAT, "w+b");
  if (file != nullptr && ::ftruncate(fileno(file), 0) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}
std::filesystem::path fileSystemPath(const std::wstring& path) {
  return std::filesystem::path(nativePath(path));
}
std::wstring fromFileSystemPath(const std::filesystem::path& path) {
  return toWide(path.string());
}
bool fileNamesIgnoreCase() {
  return false;
}
bool seekFile(FILE* file, std::int64_t offset, int origin) {
  return fseeko(file, offset, origin) == 0;
}
std::int64_t tellFile(FILE* file) {
  return ftello(file);
}
bool truncateFile(FILE* file, std::int64_t size) {
  return ::ftruncate(fileno(file), size) == 0;
}

std::uint64_t copyFileRange(FILE* source, std::int64_t sourceOffset, FILE* target, std::int64_t targetOffset,
                            std::uint64_t length) {
  // The largest count one call takes without being cut short.
  constexpr std::uint64_t kLargestCall = std::uint64_t{1} << 30;
  // Bytes that land elsewhere in a page than they stood make the kernel write each page from parts
  // of two, which costs it about a fifth more per byte (repack_bench); the caller's own copy in
  // pieces costs a little more to start and less per byte, and is the faster past this length.
  constexpr std::uint64_t kLongestMisplacedCall = std::uint64_t{64} << 20;
  const auto pageLength = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
  const bool misplaced = pageLength <= 0 || (sourceOffset - targetOffset) % pageLength != 0;
  if (misplaced && length > kLongestMisplacedCall) return 0;
  loff_t from = sourceOffset;
  loff_t to = targetOffset;
  std::uint64_t copied = 0;
  while (copied < length) {
    const ssize_t got =
        ::copy_file_range(fileno(source), &from, fileno(target), &to,
                          static_cast<std::size_t>(std::min(length - copied, kLargestCall)), 0);
    if (got < 0 && errno == EINTR) continue;
    // 0 at the source's end; an error where the file systems cannot copy so, or on a real failure
    // that the caller's own copy then meets and reports.
    if (got <= 0) break;
    copied += static_cast<std::uint64_t>(got);
  }
  return copied;
}

std::optional<std::string_view> classTableText() {
  return std::string_view(reinterpret_cast<const char*>(kEmbeddedClassTable), kEmbeddedClassTableSize);
}

void printLine(std::wstring_view text) {
  const std::string bytes = toNarrow(text);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace platform
