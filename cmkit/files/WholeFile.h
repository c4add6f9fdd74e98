#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "stream/AssetStream.h"

// Files the kit writes: each one whole, or nothing of it on the disk.
namespace kit_files {

// Files made on the way to another one, beside it, and removed again whatever happens.
class TemporaryFiles {
 public:
  explicit TemporaryFiles(std::wstring base) : base_(std::move(base)) {}
  ~TemporaryFiles();
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  // A path of the base with the suffix that nothing occupies yet: a file that merely shares the
  // name is never written over, nor removed.
  std::wstring next(std::wstring_view suffix);

 private:
  std::wstring base_;
  std::vector<std::wstring> made_;
};

// Why a file could not be written whole: the step that failed, and the system's reason where it
// gave one.
struct WriteFailure {
  enum class Step { CreateFolder, CreateFile, Write, Replace };
  Step step;
  std::error_code error;
};

// Writes the file with its missing folders. The bytes go to a temporary file beside it, which
// takes the file's place only once every byte has reached it and it is closed; whatever fails, the
// temporary file and the folders made for it are removed, and whatever stood at the path stays as
// it was. The writer returns false when it cannot write its record.
std::optional<WriteFailure> writeWholeFile(const std::wstring& path,
                                           const std::function<bool(AssetStream&)>& write);

}  // namespace kit_files
