#include "install/Extraction.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/Handle.h"
#include "install/TextConversion.h"
#include "install/Texts.h"
#include "names/WindowsNames.h"

namespace {

// minizip fills a name buffer of this size and leaves a name that fills it unterminated.
constexpr int kNameBuffer = 260;
constexpr DWORD kFolderAttribute = FILE_ATTRIBUTE_DIRECTORY;
// Entry sizes are held in 32 bits (one buffer, one write).
constexpr ZPOS64_T kLargestEntry = 0xFFFFFFFFull;
constexpr std::size_t kCheckChunk = 64 * 1024;

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};
using ZipFile = std::unique_ptr<void, ZipCloser>;

struct Entry {
  unz_file_info64 info{};
  char name[kNameBuffer + 1] = {};  // one byte more than minizip fills, so it always ends
  bool IsFolder() const { return (info.external_fa & kFolderAttribute) != 0; }
  bool NamedAsFolder() const {
    const std::size_t length = std::strlen(name);
    return length > 0 && (name[length - 1] == '/' || name[length - 1] == '\\');
  }
};

bool ReadEntryRecord(unzFile zip, Entry& entry) {
  return unzGetCurrentFileInfo64(zip, &entry.info, entry.name, kNameBuffer, nullptr, 0, nullptr, 0) == UNZ_OK;
}

// What the writing relies on: the whole name, staying below the game folder; the folder bit and
// the trailing slash in agreement (the path's end decides what is written, the bit what is read);
// no data in a folder; a size that fits one buffer.
bool IsWellFormed(const Entry& entry) {
  const std::size_t length = std::strlen(entry.name);
  if (entry.info.size_filename >= kNameBuffer || entry.info.size_filename != length || length == 0)
    return false;
  if (!IsSafeEntryName(entry.name)) return false;
  if (entry.IsFolder() != entry.NamedAsFolder()) return false;
  if (entry.IsFolder()) return entry.info.uncompressed_size == 0 && entry.info.compressed_size == 0;
  return entry.info.uncompressed_size <= kLargestEntry;
}

// Reads the entry's data through and drops it: the length and the CRC are checked on the way.
bool EntryDataIntact(unzFile zip, const Entry& entry, std::vector<char>& chunk) {
  if (entry.IsFolder()) return true;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  ZPOS64_T total = 0;
  int got = 0;
  while ((got = unzReadCurrentFile(zip, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) total += got;
  const int closed = unzCloseCurrentFile(zip);
  return got == 0 && total == entry.info.uncompressed_size && closed == UNZ_OK;
}

// The whole payload is read through and checked before the first write, so a damaged one leaves
// the game folder as it was. The reader ends on the first entry again.
bool WholeArchiveIntact(unzFile zip, unsigned count) {
  std::vector<char> chunk(kCheckChunk);
  for (unsigned i = 0; i < count; ++i) {
    Entry entry;
    if (!ReadEntryRecord(zip, entry) || !IsWellFormed(entry) || !EntryDataIntact(zip, entry, chunk))
      return false;
    if (i + 1 < count && unzGoToNextFile(zip) != UNZ_OK) return false;
  }
  return count == 0 || unzGoToFirstFile(zip) == UNZ_OK;
}

std::wstring OutputPath(const char* name) {
  std::wstring path = L".\\" + ToWide(name);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// The entry's data, read whole and checked (length and CRC) before any of it is written.
bool ReadEntryData(unzFile zip, const Entry& entry, std::unique_ptr<char[]>& data) {
  if (entry.IsFolder()) return true;
  const ZPOS64_T size = entry.info.uncompressed_size;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  data.reset(new (std::nothrow) char[size == 0 ? 1 : size]);
  const int got = data ? unzReadCurrentFile(zip, data.get(), static_cast<unsigned>(size)) : -1;
  const int closed = unzCloseCurrentFile(zip);
  return got >= 0 && static_cast<ZPOS64_T>(got) == size && closed == UNZ_OK;
}

enum class EntryResult { Written, Unreadable, TargetLocked, TargetUnwritable };

bool IsDriveFull(DWORD error) {
  return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

// A fresh empty file in the target's own folder, so that moving it over the target stays on one
// drive; empty when none can be made there.
std::wstring CopyBeside(const std::wstring& path) {
  const std::wstring folder = path.substr(0, path.rfind(L'\\'));
  wchar_t copy[MAX_PATH] = {};
  if (::GetTempFileNameW(folder.c_str(), L"QMX", 0, copy) == 0) return {};
  return copy;
}

// True once every byte is written, on the drive and the file closed.
bool WriteWhole(const std::wstring& path, const char* data, DWORD size) {
  fw::CHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  const bool complete =
      ::WriteFile(file, data, size, &written, nullptr) && written == size && ::FlushFileBuffers(file);
  return file.Close() && complete;
}

// The target is replaced by its new copy only once that copy is complete: a write that fails (a
// full drive) leaves the old content in place, and the unfinished copy goes again.
EntryResult ReplaceFile(const std::wstring& path, const Entry& entry, const char* data) {
  const std::wstring copy = CopyBeside(path);
  if (copy.empty())
    return IsDriveFull(::GetLastError()) ? EntryResult::TargetUnwritable : EntryResult::TargetLocked;
  if (!WriteWhole(copy, data, static_cast<DWORD>(entry.info.uncompressed_size))) {
    ::DeleteFileW(copy.c_str());
    return EntryResult::TargetUnwritable;
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that read-only files can be replaced
  if (!::MoveFileExW(copy.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::DeleteFileW(copy.c_str());
    return EntryResult::TargetLocked;
  }
  return EntryResult::Written;
}

// Makes every missing folder of the path up to its last backslash: for a file its folders, for a
// folder entry (whose path ends in one) the folder itself. Split on the wide path, since in GBK the
// second byte of a character can be a backslash (誠 is D5 5C). A folder that cannot be made shows
// when the file in it cannot be written.
void CreateFoldersOf(const std::wstring& path) {
  for (std::size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', end + 1)) {
    const std::wstring folder = path.substr(0, end);
    if (folder != L".") ::CreateDirectoryW(folder.c_str(), nullptr);  // one already there is kept
  }
}

EntryResult WriteEntry(const Entry& entry, const char* data) {
  const std::wstring path = OutputPath(entry.name);
  CreateFoldersOf(path);
  const EntryResult result = entry.IsFolder() ? EntryResult::Written : ReplaceFile(path, entry, data);
  // A target that could not be written keeps what it had, its attributes too.
  if (result != EntryResult::TargetUnwritable) ::SetFileAttributesW(path.c_str(), entry.info.external_fa);
  return result;
}

EntryResult ExtractEntry(unzFile zip, int done, unsigned count, InstallView& view) {
  Entry entry;
  if (!ReadEntryRecord(zip, entry) || !IsWellFormed(entry)) return EntryResult::Unreadable;
  view.SetStatusText(ProgressText(done, count));
  view.SetPos(done);
  std::unique_ptr<char[]> data;
  if (!ReadEntryData(zip, entry, data)) return EntryResult::Unreadable;
  return WriteEntry(entry, data.get());
}

// The run stops at a file it could not replace, with the failure in the status line.
void ReportUnreplaced(InstallView& view, const wchar_t* message) {
  view.SetStatus(texts::kStatusFailed);
  view.ShowError(message, texts::kCaptionFailed);
}

}  // namespace

const void* LoadPayload(HMODULE module, int resourceId, const wchar_t* type, DWORD& size) {
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), type);
  if (found == nullptr) {
    ::MessageBoxA(nullptr, texts::kResourceMissing, "", MB_OK);
    return nullptr;
  }
  size = ::SizeofResource(module, found);
  const HGLOBAL loaded = ::LoadResource(module, found);
  if (loaded == nullptr) {
    ::MessageBoxA(nullptr, texts::kResourceUnloadable, "", MB_OK);
    return nullptr;
  }
  return ::LockResource(loaded);
}

// Checked on the wide name, as it is written: a GBK character's second byte can be a backslash.
bool IsSafeEntryName(const std::string& narrowName) {
  const std::wstring name = ToWide(narrowName);
  if (name.empty() || name.front() == L'/' || name.front() == L'\\' ||
      std::any_of(name.begin(), name.end(), windows_names::isForbiddenCharacter)) {
    return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of(L"/\\", start);
    if (end == std::wstring::npos) end = name.size();
    const std::wstring_view component = std::wstring_view(name).substr(start, end - start);
    if (component == L".." || windows_names::isDeviceName(component)) return false;
    start = end + 1;
  }
  return true;
}

std::wstring ProgressText(int done, unsigned total) {
  const float percent = total == 0 ? 100.0f : static_cast<float>(done) / static_cast<float>(total) * 100.0f;
  wchar_t text[64];
  ::swprintf(text, 64, L"%ls%.0f%%", texts::kStatusProgress, static_cast<double>(percent));
  return text;
}

int ExtractArchive(const std::string& archivePath, InstallView& view) {
  ZipFile zip(unzOpen64(archivePath.c_str()));
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
    view.SetStatus(texts::kStatusFailed);
    view.ShowError(texts::kArchiveUnopenable, texts::kCaptionError);
    return 1;
  }
  const auto count = static_cast<unsigned>(global.number_entry);
  if (!WholeArchiveIntact(zip.get(), count)) {
    view.ShowError(texts::kEntryUnreadable, texts::kCaptionError);
    return 1;
  }
  view.SetRange(static_cast<int>(count & 0xFFFF));
  for (unsigned i = 0; i < count; ++i) {
    switch (ExtractEntry(zip.get(), static_cast<int>(i + 1), count, view)) {
      case EntryResult::Unreadable:
        view.ShowError(texts::kEntryUnreadable, texts::kCaptionError);
        return 1;
      case EntryResult::TargetLocked:
        ReportUnreplaced(view, texts::kTargetLocked);
        return 1;
      case EntryResult::TargetUnwritable:
        ReportUnreplaced(view, texts::kTargetUnwritable);
        return 1;
      case EntryResult::Written:
        break;
    }
    if (i + 1 < count && unzGoToNextFile(zip.get()) != UNZ_OK) return 1;
  }
  view.SetStatus(ProgressText(view.GetPos(), count));
  return 0;
}
