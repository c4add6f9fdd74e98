#include "codecs/LayoutSource.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "layouts/ObjectWalker.h"

namespace {

constexpr std::int32_t kTexture2D = 28;
constexpr std::int32_t kTextAsset = 49;
constexpr std::int32_t kFont = 128;

enum class Kind { Number, Bytes, Any };

struct RecordField {
  std::string_view name;  // empty ends the list
  Kind kind = Kind::Any;
};

struct ClassFields {
  std::int32_t classId;
  std::array<RecordField, 6> fields;
};

// The fields of the object that each record must find, of the kind it reads them as.
constexpr ClassFields kRecordFields[] = {
    {kTexture2D,
     {{{"m_Name", Kind::Bytes},
       {"m_Width", Kind::Number},
       {"m_Height", Kind::Number},
       {"m_CompleteImageSize", Kind::Number},
       {"m_TextureFormat", Kind::Number},
       {"image data", Kind::Bytes}}}},
    {kFont, {{{"m_Name", Kind::Bytes}, {"m_FontData", Kind::Bytes}, {"m_CharacterRects", Kind::Any}}}},
    {kTextAsset, {{{"m_Name", Kind::Bytes}, {"m_Script", Kind::Bytes}}}},
};

bool isOfKind(layouts::Layout layout, const layouts::LayoutNode& node, Kind kind) {
  switch (kind) {
    case Kind::Number:
      return layouts::isNumber(layout, node);
    case Kind::Bytes:
      return layouts::isByteRun(layout, node);
    case Kind::Any:
      break;
  }
  return true;
}

// Each field once, of its kind: a tree that names two fields alike is no engine's.
bool holdsFields(layouts::Layout layout, const ClassFields& record) {
  return std::all_of(record.fields.begin(), record.fields.end(), [layout](const RecordField& field) {
    if (field.name.empty()) return true;
    const auto named = [&field](const layouts::LayoutNode& node) {
      return node.level == 1 && field.name == node.name;
    };
    const auto found = std::find_if(layout.begin(), layout.end(), named);
    return found != layout.end() && std::count_if(layout.begin(), layout.end(), named) == 1 &&
           isOfKind(layout, *found, field.kind);
  });
}

// The textures of 5.2 end with their image data and are written without the padding after it.
bool padsEnd(std::int32_t classId, std::string_view engineVersion) {
  const std::optional<layouts::Release> release = layouts::parseRelease(engineVersion);
  return !(classId == kTexture2D && release && release->major == 5 && release->minor == 2);
}

std::optional<fields::ObjectLayout> usableLayout(std::int32_t classId,
                                                 const std::optional<layouts::Layout>& layout,
                                                 std::string_view engineVersion) {
  const auto* record =
      std::find_if(std::begin(kRecordFields), std::end(kRecordFields),
                   [classId](const ClassFields& fields) { return fields.classId == classId; });
  if (record == std::end(kRecordFields) || !layout || !holdsFields(*layout, *record)) return std::nullopt;
  return fields::ObjectLayout{*layout, padsEnd(classId, engineVersion)};
}

}  // namespace

std::optional<fields::ObjectLayout> objectLayout(const SerializedFile& file, const ObjectInfo& info) {
  const std::string& engineVersion = file.metadata().context.engineVersion;
  if (!file.metadata().types.hasTypeTrees) return releaseLayout(info.classId, engineVersion);
  const TypeEntry* type = file.typeOf(info);
  if (type == nullptr || !type->tree) return std::nullopt;
  return usableLayout(info.classId, layouts::Layout(type->tree->nodes), engineVersion);
}

std::optional<fields::ObjectLayout> releaseLayout(std::int32_t classId, std::string_view engineVersion) {
  return usableLayout(classId, layouts::layoutFor(classId, engineVersion), engineVersion);
}
