#include "commands/KitAsset.h"

#include "app/KitMessages.h"
#include "names/WindowsNames.h"
#include "platform/Platform.h"

bool KitAsset::load(const std::wstring& path, const LinePrinter& print) {
  const LoadStatus status = file.loadReadOnly(path);
  if (status != LoadStatus::Loaded) {
    print(kit_messages::unreadableAsset(status));
    return false;
  }
  return true;
}

UnpackFolder unpackFolderFor(const std::wstring& assetPath, const std::optional<std::wstring>& folder) {
  return folder ? UnpackFolder::named(*folder) : UnpackFolder(assetPath);
}

std::optional<std::wstring_view> whyNoReplacement(const ReplacementName& replacement,
                                                  const UnpackFolder& folder) {
  switch (replacement.kind) {
    case ReplacementName::Kind::NotHandled:
      return kit_messages::kNotHandled;
    case ReplacementName::Kind::NameUnreadable:
      return kit_messages::kNameUnreadable;
    case ReplacementName::Kind::LeavesFolder:
      return kit_messages::kLeavesFolder;
    case ReplacementName::Kind::Script:
      return std::nullopt;
    case ReplacementName::Kind::Named:
      break;
  }
  // The file's name within its class folder, numbering and extension included.
  const std::wstring fileName = replacement.path.substr(folder.classFolder(replacement.className).size() + 1);
  const windows_names::Problem problem = windows_names::fileNameProblem(fileName);
  if (problem != windows_names::Problem::None) return kit_messages::nameProblem(problem);
  return std::nullopt;
}

std::wstring picturePath(const std::wstring& ddsPath) {
  return platform::removeExtension(ddsPath) + L".png";
}

std::wstring describe(const ReplacementName& replacement, const ObjectInfo& info) {
  std::wstring text = replacement.className;
  if (!replacement.name.empty()) text += L" " + replacement.name;
  return text + L" (PathID " + std::to_wstring(info.pathId) + L")";
}
