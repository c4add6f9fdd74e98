#include <algorithm>

#include "platform/Platform.h"

namespace platform {

std::wstring parentFolder(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

bool createFolders(const std::wstring& path) {
  std::error_code error;
  return createFolders(path, error);
}

bool createFolders(const std::wstring& path, std::error_code& error) {
  const std::filesystem::path folder = fileSystemPath(path);
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  if (std::filesystem::is_directory(folder, error)) return true;
  if (!error) error = std::make_error_code(std::errc::not_a_directory);
  return false;
}

bool isMissingOrEmptyFolder(const std::wstring& path) {
  std::error_code error;
  const std::filesystem::path folder = fileSystemPath(path);
  if (!std::filesystem::exists(folder, error)) return !error;
  return std::filesystem::is_directory(folder, error) && std::filesystem::is_empty(folder, error);
}

std::vector<std::wstring> filesBelow(const std::wstring& folder) {
  std::vector<std::wstring> files;
  std::error_code error;
  const std::filesystem::path root = fileSystemPath(folder);
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    std::wstring path = fromFileSystemPath(it->path().lexically_relative(root));
    std::replace(path.begin(), path.end(), L'/', kPathSeparator);
    files.push_back(std::move(path));
  }
  return files;
}

}  // namespace platform
