#include "app/ReplacementNames.h"

#include "platform/Platform.h"
#include "serialized/FormatVersion.h"

namespace {

// The extension of each class found by name.
std::wstring_view extensionOf(std::wstring_view className) {
  if (className == class_name::kFont) return L"ttf";
  if (className == class_name::kTexture2D) return L"dds";
  if (className == class_name::kTextAsset) return L"txt";
  return {};
}

std::wstring nameText(const std::string& bytes) {
  return platform::toWide(std::string_view(bytes.c_str()));  // up to the first zero byte
}

}  // namespace

ReplacementNames::ReplacementNames(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder)
    : file_(file), classes_(classes), folder_(folder) {}

ReplacementName ReplacementNames::next(const ObjectInfo& info) {
  ReplacementName result;
  result.className = classes_.className(info.classId);
  if (result.className == class_name::kMonoBehaviour) {
    result.kind = ReplacementName::Kind::Script;
    result.path = scriptPath(result.className, info);
    return result;
  }
  const std::wstring_view extension = extensionOf(result.className);
  if (extension.empty()) return result;
  std::optional<std::wstring> name = objectName(info);
  if (!name) {
    result.kind = ReplacementName::Kind::NameUnreadable;
    return result;
  }
  result.name = std::move(*name);
  // A name that leads out of its class folder matches no file, but still takes its place in the
  // numbering of equal names.
  const std::wstring path =
      folder_.replacementPath(folder_.classFolder(result.className), result.name, extension);
  if (!UnpackFolder::staysInClassFolder(result.name)) {
    result.kind = ReplacementName::Kind::LeavesFolder;
    return result;
  }
  result.kind = ReplacementName::Kind::Named;
  result.path = path;
  return result;
}

std::wstring ReplacementNames::scriptPath(std::wstring_view className, const ObjectInfo& info) const {
  if (format::namesScriptsByTypeId(file_.headerCopy().formatVersion))
    return folder_.monoBehaviourPath(className, info.typeId, info.pathId);
  // The type index was checked against the type list when the file was loaded.
  const TypeEntry& type = file_.metadata().types.byIndex[static_cast<std::size_t>(info.typeId)];
  return folder_.monoBehaviourPath(className, type.scriptId, info.pathId);
}

// Read only one byte further than a path can reach, however long the name says it is: a longer
// name then matches no file, and can never be numbered together with a name of exactly that length
// (a name is cut at its first zero byte, and one found within the bytes read ends it there).
std::optional<std::wstring> ReplacementNames::objectName(const ObjectInfo& info) {
  std::optional<std::string> bytes = file_.readObjectName(info, platform::longestPathBytes() + 1);
  if (!bytes) return std::nullopt;
  return nameText(*bytes);
}
