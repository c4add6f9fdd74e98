#pragma once

#include <string>

#include "app/ClassIdTable.h"
#include "app/UnpackFolder.h"
#include "serialized/SerializedFile.h"

// Where qmx looks for each object's replacement: the one naming rule of the unpacked folder, which
// the repack and the patch maker's kit share. Objects are named in the order of the table, since
// equal names are numbered in that order.
struct ReplacementName {
  enum class Kind {
    NotHandled,      // a class qmx does not replace
    NameUnreadable,  // a named class whose name does not fit its data: it takes no number
    LeavesFolder,    // a name that would lead out of its class folder: it takes its number, no file
    Named,           // Font, Texture2D, TextAsset: found by name
    Script,          // MonoBehaviour: found by type ID and path ID
  };

  Kind kind = Kind::NotHandled;
  std::wstring className;
  std::wstring name;  // Font, Texture2D and TextAsset only
  std::wstring path;  // the file looked for (for a Font, its .ttf); empty when none is
};

class ReplacementNames {
 public:
  ReplacementNames(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder);

  // The next object of the table, which must come in ascending unsigned path-ID order.
  ReplacementName next(const ObjectInfo& info);

 private:
  std::optional<std::wstring> objectName(const ObjectInfo& info);
  std::wstring scriptPath(std::wstring_view className, const ObjectInfo& info) const;

  SerializedFile& file_;
  const ClassIdTable& classes_;
  UnpackFolder& folder_;
};

// The class names of the handled classes, as the class-ID table spells them.
namespace class_name {
inline constexpr std::wstring_view kFont = L"Font";
inline constexpr std::wstring_view kTexture2D = L"Texture2D";
inline constexpr std::wstring_view kTextAsset = L"TextAsset";
inline constexpr std::wstring_view kMonoBehaviour = L"MonoBehaviour";
}  // namespace class_name
