#include "app/UnpackFolder.h"

#include <algorithm>

#include "platform/Platform.h"

namespace {

constexpr std::wstring_view kFolderSuffix = L"_unpak";

bool isSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

UnpackFolder::UnpackFolder(const std::wstring& assetPath)
    : path_(platform::removeExtension(assetPath) + std::wstring(kFolderSuffix)) {}

UnpackFolder UnpackFolder::named(std::wstring folderPath) {
  UnpackFolder folder;
  folder.path_ = std::move(folderPath);
  return folder;
}

std::wstring UnpackFolder::classFolder(std::wstring_view className) const {
  return path_ + platform::kPathSeparator + std::wstring(className);
}

std::wstring UnpackFolder::replacementPath(const std::wstring& classFolder, const std::wstring& name,
                                           std::wstring_view extension) {
  const std::wstring stem = classFolder + platform::kPathSeparator + name;
  const std::wstring dotExtension = L"." + std::wstring(extension);
  const std::wstring plain = stem + dotExtension;
  std::wstring path = plain;
  int& k = lastNumber_[plain];
  while (handedOut_.contains(path)) {
    k = std::max(k, 1);
    path = stem + L"_" + std::to_wstring(k) + dotExtension;
    if (handedOut_.contains(path)) ++k;
  }
  handedOut_.insert(path);
  return path;
}

std::wstring UnpackFolder::monoBehaviourPath(std::wstring_view className, std::int32_t typeId,
                                             std::int64_t pathId) const {
  const auto lowWord = static_cast<std::int32_t>(static_cast<std::uint32_t>(pathId));
  return classFolder(className) + platform::kPathSeparator + std::to_wstring(typeId) +
         platform::kPathSeparator + std::to_wstring(lowWord) + L".bin";
}

std::wstring UnpackFolder::monoBehaviourPath(std::wstring_view className,
                                             const AssetStream::Hash128& scriptHash,
                                             std::int64_t pathId) const {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hash;
  for (const std::uint8_t byte : scriptHash) hash += {kDigits[byte >> 4], kDigits[byte & 0xF]};
  return classFolder(className) + platform::kPathSeparator + hash + platform::kPathSeparator +
         std::to_wstring(pathId) + L".bin";
}

bool UnpackFolder::staysInClassFolder(std::wstring_view name) {
  if (!name.empty() && isSeparator(name.front())) return false;
  if (name.find(L':') != std::wstring_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    if (name.substr(start, end - start) == L"..") return false;
    start = end + 1;
  }
  return true;
}
