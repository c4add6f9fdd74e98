#include "files/WholeFile.h"

#include <filesystem>

#include "platform/KitPlatform.h"
#include "platform/Platform.h"

namespace kit_files {
namespace {

void removeFile(const std::wstring& path) {
  std::error_code error;
  std::filesystem::remove(platform::fileSystemPath(path), error);
}

// The folders above a file that are missing, which are made for it and removed again when the file
// is not written: a failed write leaves no empty folder either.
class NewFolders {
 public:
  explicit NewFolders(const std::wstring& folder) {
    for (std::wstring missing = folder; !missing.empty() && !platform::pathExists(missing);
         missing = platform::parentFolder(missing)) {
      missing_.push_back(missing);  // the deepest first
    }
  }
  ~NewFolders() {
    if (kept_) return;
    for (const std::wstring& folder : missing_) {
      std::error_code error;
      std::filesystem::remove(platform::fileSystemPath(folder), error);  // only while empty
    }
  }
  NewFolders(const NewFolders&) = delete;
  NewFolders& operator=(const NewFolders&) = delete;

  void keep() { kept_ = true; }

 private:
  std::vector<std::wstring> missing_;
  bool kept_ = false;
};

std::error_code streamError(const AssetStream& stream) {
  if (stream.systemError() == 0) return {};
  return {stream.systemError(), std::generic_category()};
}

}  // namespace

TemporaryFiles::~TemporaryFiles() {
  for (const std::wstring& path : made_) removeFile(path);
}

std::wstring TemporaryFiles::next(std::wstring_view suffix) {
  std::wstring path = base_ + std::wstring(suffix);
  for (int number = 1; platform::pathExists(path); ++number)
    path = base_ + L"." + std::to_wstring(number) + std::wstring(suffix);
  return made_.emplace_back(std::move(path));
}

std::optional<WriteFailure> writeWholeFile(const std::wstring& path,
                                           const std::function<bool(AssetStream&)>& write) {
  using Step = WriteFailure::Step;
  std::error_code error;
  const std::wstring folder = platform::parentFolder(path);
  NewFolders newFolders(folder);
  if (!folder.empty() && !platform::createFolders(folder, error))
    return WriteFailure{Step::CreateFolder, error};

  TemporaryFiles temporary(path);
  const std::wstring copy = temporary.next(L".tmp");
  AssetStream stream;
  if (!stream.create(copy)) return WriteFailure{Step::CreateFile, streamError(stream)};
  const bool recordWritten = write(stream);
  const bool closed = stream.close();
  if (!recordWritten || !closed) return WriteFailure{Step::Write, streamError(stream)};
  if (const std::error_code replaced = kit_platform::replaceFile(copy, path))
    return WriteFailure{Step::Replace, replaced};
  newFolders.keep();
  return std::nullopt;
}

}  // namespace kit_files
