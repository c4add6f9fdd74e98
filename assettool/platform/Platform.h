#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// Everything of qmx that differs between Windows and POSIX. The rest of the program is portable.
namespace platform {

// Called first thing in main: text conversion on POSIX follows the user's locale.
void initialise();

// The program's arguments as wide text, the program name left out.
std::vector<std::wstring> arguments(int argc, char** argv);

// Narrow text is in the thread's ANSI code page on Windows and in the locale's encoding on POSIX.
// On POSIX, bytes the locale cannot decode survive a round trip unchanged.
std::wstring toWide(std::string_view narrow);
std::string toNarrow(std::wstring_view wide);

// Formed paths always use the backslash; on POSIX it is a folder separator as much as the slash.
inline constexpr wchar_t kPathSeparator = L'\\';

// True when a file or a folder exists at the path. Devices, pipes and sockets are neither, and on
// Windows neither is anything whose file name is a device name (NUL, con.txt, ...).
bool pathExists(const std::wstring& path);

// The longest path the file functions take, in bytes of narrow text: a longer name matches no file.
std::size_t longestPathBytes();

// The path without the extension of its last component (the last dot and what follows).
std::wstring removeExtension(const std::wstring& path);
// The folder the path's last component lies in, as formed (either separator); empty for a bare
// name.
std::wstring parentFolder(const std::wstring& path);

// Opens an existing file for reading and writing in place: it is neither truncated nor created.
// Both open regular files only, and never wait: anything else is not opened at all.
FILE* openReadWrite(const std::wstring& path);
FILE* openReadOnly(const std::wstring& path);
// Creates a regular file for reading and writing, or empties an existing one.
FILE* createFile(const std::wstring& path);
// The path as the standard library's file system functions take it, and back: on POSIX through
// the bytes the path stands for (backslashes being separators), on Windows as it is.
std::filesystem::path fileSystemPath(const std::wstring& path);
std::wstring fromFileSystemPath(const std::filesystem::path& path);
// Whether the file system finds a file by its name in any letter case (Windows), or only as it is.
bool fileNamesIgnoreCase();

// Folders, portable over the two above.
// Creates the folder and every folder above it that is missing; false if it is not a folder then.
bool createFolders(const std::wstring& path);
// The same, with the system's reason when it fails.
bool createFolders(const std::wstring& path, std::error_code& error);
// True when nothing is at the path or it is a folder with nothing in it.
bool isMissingOrEmptyFolder(const std::wstring& path);
// Every regular file below the folder, as paths relative to it formed with backslashes.
std::vector<std::wstring> filesBelow(const std::wstring& folder);

bool seekFile(FILE* file, std::int64_t offset, int origin);
std::int64_t tellFile(FILE* file);
// Cuts the file to that many bytes; the caller has flushed it.
bool truncateFile(FILE* file, std::int64_t size);
// Has the system copy bytes from one file to another (or within one) without passing them through
// the program, where it can and where that is the faster copy; the caller has flushed both and
// copies what is left itself. Returns the bytes copied, from 0 (no such copy here, none between
// these files, or none worth making at these offsets) to length.
std::uint64_t copyFileRange(FILE* source, std::int64_t sourceOffset, FILE* target, std::int64_t targetOffset,
                            std::uint64_t length);

// The class-ID table text built into the program; nothing when it cannot be found.
std::optional<std::string_view> classTableText();

// One line on standard output, flushed at once: GBK (code page 936) on Windows, the locale's
// encoding on POSIX.
void printLine(std::wstring_view text);

}  // namespace platform
