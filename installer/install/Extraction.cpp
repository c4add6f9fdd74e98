#include "install/Extraction.h"

#include <dbghelp.h>
#include <share.h>
#include <unzip.h>

#include <cstdio>
#include <memory>
#include <new>

#include "install/TextConversion.h"
#include "install/Texts.h"

namespace {

constexpr int kNameBuffer = 260;
constexpr DWORD kFolderAttribute = FILE_ATTRIBUTE_DIRECTORY;

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};
using ZipFile = std::unique_ptr<void, ZipCloser>;

struct Entry {
  unz_file_info64 info{};
  char name[kNameBuffer] = {};
  bool IsFolder() const { return (info.external_fa & kFolderAttribute) != 0; }
};

bool ReadEntryRecord(unzFile zip, Entry& entry) {
  return unzGetCurrentFileInfo64(zip, &entry.info, entry.name, kNameBuffer, nullptr, 0, nullptr, 0) == UNZ_OK;
}

// Every name is checked before the first entry is written.
bool AllEntryNamesSafe(unzFile zip, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    Entry entry;
    if (!ReadEntryRecord(zip, entry) || !IsSafeEntryName(entry.name)) return false;
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
  if (size > 0xFFFFFFFFull || unzOpenCurrentFile(zip) != UNZ_OK) return false;
  data.reset(new (std::nothrow) char[size == 0 ? 1 : size]);
  const int got = data ? unzReadCurrentFile(zip, data.get(), static_cast<unsigned>(size)) : -1;
  const int closed = unzCloseCurrentFile(zip);
  return got >= 0 && static_cast<ZPOS64_T>(got) == size && closed == UNZ_OK;
}

enum class EntryResult { Written, Unreadable, TargetLocked };

EntryResult WriteEntry(const Entry& entry, const char* data) {
  const std::wstring path = OutputPath(entry.name);
  ::MakeSureDirectoryPathExists(ToNarrow(path).c_str());
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that read-only files can be replaced
  if (path.back() != L'\\') {
    FILE* file = ::_wfsopen(path.c_str(), L"w+b", _SH_DENYNO);
    if (file == nullptr) {
      ::SetFileAttributesW(path.c_str(), entry.info.external_fa);
      return EntryResult::TargetLocked;
    }
    std::fwrite(data, 1, static_cast<std::size_t>(entry.info.uncompressed_size), file);
    std::fclose(file);
  }
  ::SetFileAttributesW(path.c_str(), entry.info.external_fa);
  return EntryResult::Written;
}

EntryResult ExtractEntry(unzFile zip, int done, unsigned count, InstallView& view) {
  Entry entry;
  if (!ReadEntryRecord(zip, entry)) return EntryResult::Unreadable;
  view.SetStatusText(ProgressText(done, count));
  view.SetPos(done);
  std::unique_ptr<char[]> data;
  if (!ReadEntryData(zip, entry, data)) return EntryResult::Unreadable;
  return WriteEntry(entry, data.get());
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

bool IsSafeEntryName(const std::string& name) {
  if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return false;
  if (name.find(':') != std::string::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
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
  if (!AllEntryNamesSafe(zip.get(), count)) {
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
        view.SetStatus(texts::kStatusFailed);
        view.ShowError(texts::kTargetLocked, texts::kCaptionFailed);
        return 1;
      case EntryResult::Written:
        break;
    }
    if (i + 1 < count && unzGoToNextFile(zip.get()) != UNZ_OK) return 1;
  }
  view.SetStatus(ProgressText(view.GetPos(), count));
  return 0;
}
