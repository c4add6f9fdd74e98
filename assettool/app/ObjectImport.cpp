#include "app/ObjectImport.h"

#include <new>

#include "app/Messages.h"
#include "codecs/FontRecord.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "platform/Platform.h"

namespace {

namespace class_name {
constexpr std::wstring_view kFont = L"Font";
constexpr std::wstring_view kTexture2D = L"Texture2D";
constexpr std::wstring_view kTextAsset = L"TextAsset";
constexpr std::wstring_view kMonoBehaviour = L"MonoBehaviour";
}  // namespace class_name

std::wstring nameText(const std::string& bytes) {
  return platform::toWide(std::string_view(bytes.c_str()));  // up to the first zero byte
}

}  // namespace

ObjectImport::ObjectImport(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder,
                           LinePrinter print)
    : file_(file),
      classes_(classes),
      folder_(folder),
      print_(std::move(print)),
      dataOffset_(file.headerCopy().dataOffset),
      formatVersion_(file.headerCopy().formatVersion),
      engineVersion_(engine::parseVersion(file.metadata().context.engineVersion)) {}

bool ObjectImport::importAll() {
  for (auto& [key, info] : file_.objects().entries()) {
    importObject(info);
    if (file_.stream().failed()) return false;
  }
  return true;
}

void ObjectImport::importObject(ObjectInfo& info) {
  Object object{info, classes_.className(info.classId), {}};
  try {
    importHandledClass(object);
  } catch (const std::bad_alloc&) {
    // Memory is taken while the object's data and its replacement are read and its record is made,
    // all before the first byte of it is written: the object simply keeps its data.
    warn(messages::kOutOfMemory, object);
  }
}

void ObjectImport::importHandledClass(Object& object) {
  const ObjectInfo& info = object.info;
  if (object.className == class_name::kMonoBehaviour) {
    importMonoBehaviour(object);
    return;
  }
  const bool named = object.className == class_name::kFont || object.className == class_name::kTexture2D ||
                     object.className == class_name::kTextAsset;
  if (!named) return;
  std::optional<std::wstring> name = objectName(info);
  if (!name) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  object.name = std::move(*name);
  if (object.className == class_name::kFont) {
    importFont(object);
  } else if (object.className == class_name::kTexture2D) {
    importTexture(object);
  } else {
    importTextAsset(object);
  }
}

// Read only one byte further than a path can reach, however long the name says it is: a longer
// name then matches no file, and can never be numbered together with a name of exactly that length
// (a name is cut at its first zero byte, and one found within the bytes read ends it there).
std::optional<std::wstring> ObjectImport::objectName(const ObjectInfo& info) {
  std::optional<std::string> bytes = file_.readObjectName(info, platform::longestPathBytes() + 1);
  if (!bytes) return std::nullopt;
  return nameText(*bytes);
}

// A name that would lead out of its class folder matches no file, but still takes its place in
// the numbering of equal names.
void ObjectImport::importFont(Object& object) {
  const std::wstring ttf =
      folder_.replacementPath(folder_.classFolder(object.className), object.name, L"ttf");
  const std::wstring rect = FontRecord::rectPath(ttf);
  if (!UnpackFolder::staysInClassFolder(object.name)) return;
  if (!platform::pathExists(ttf) && !platform::pathExists(rect)) return;
  if (!engineVersion_ || !engine::hasKnownFontLayout(*engineVersion_, formatVersion_)) {
    warn(messages::kLayoutUnknown, object);
    return;
  }

  FontRecord record;
  if (!record.parse(file_.readObjectBytes(object.info), *engineVersion_, formatVersion_)) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  switch (record.importFont(ttf)) {
    case FontRecord::FontImport::Unreadable:
      warn(messages::kReplacementUnreadable, object);
      return;
    case FontRecord::FontImport::RectsMalformed:
      warn(messages::kCharacterRectsMalformed, object);
      return;
    case FontRecord::FontImport::Imported:
      break;
  }
  appendRecord(object, record);
}

void ObjectImport::importTexture(Object& object) {
  const std::wstring dds =
      folder_.replacementPath(folder_.classFolder(object.className), object.name, L"dds");
  if (!UnpackFolder::staysInClassFolder(object.name) || !platform::pathExists(dds)) return;
  if (!engineVersion_ || !engine::hasKnownTextureLayout(*engineVersion_)) {
    warn(messages::kLayoutUnknown, object);
    return;
  }

  Texture2DRecord record;
  if (!record.parse(file_.readObjectBytes(object.info), *engineVersion_)) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  switch (record.importDds(dds)) {
    case Texture2DRecord::DdsImport::Unreadable:
      warn(messages::kReplacementUnreadable, object);
      return;
    case Texture2DRecord::DdsImport::Unsupported:
      print_(messages::unsupportedTextureFormat(object.name, record.textureFormat()));
      break;
    case Texture2DRecord::DdsImport::NotImportable:
    case Texture2DRecord::DdsImport::Imported:
      break;
  }
  appendRecord(object, record);
}

void ObjectImport::importTextAsset(Object& object) {
  const std::wstring txt =
      folder_.replacementPath(folder_.classFolder(object.className), object.name, L"txt");
  if (!UnpackFolder::staysInClassFolder(object.name) || !platform::pathExists(txt)) return;
  if (!engineVersion_ || !engine::hasKnownTextAssetLayout(*engineVersion_)) {
    warn(messages::kLayoutUnknown, object);
    return;
  }

  TextAssetRecord record;
  if (!record.parse(file_.readObjectBytes(object.info))) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  std::optional<fields::Bytes> script = readWholeFile(txt);
  if (!script) {
    warn(messages::kReplacementUnreadable, object);
    return;
  }
  record.setScript(std::move(*script));
  appendRecord(object, record);
}

void ObjectImport::importMonoBehaviour(Object& object) {
  const std::wstring bin =
      folder_.monoBehaviourPath(object.className, object.info.typeId, object.info.pathId);
  if (!platform::pathExists(bin)) return;
  std::optional<fields::Bytes> data = readWholeFile(bin);
  if (!data) {
    warn(messages::kReplacementUnreadable, object);
    return;
  }
  append(object, [&data](AssetStream& stream) { stream.writeBytes(*data); });
}

template <typename Record>
void ObjectImport::appendRecord(Object& object, const Record& record) {
  append(object, [&record](AssetStream& stream) { record.write(stream); });
}

template <typename Write>
void ObjectImport::append(Object& object, const Write& write) {
  const std::int64_t start = nextObjectStart();
  AssetStream counter(AssetStream::CountingFrom{start});
  write(counter);
  const std::int64_t end = counter.position();
  if (!SerializedFile::offsetsReach(end)) {
    warn(messages::kFileWouldBeTooLarge, object);
    return;
  }
  beginAppend();
  write(file_.stream());
  // Checked here, not at save: the first failure must stop the run before the table is rewritten.
  if (!file_.stream().flush()) return;
  object.info.byteStart = static_cast<std::uint32_t>(start) - dataOffset_;
  object.info.byteSize = static_cast<std::uint32_t>(end - start);
}

std::int64_t ObjectImport::nextObjectStart() const {
  return (file_.stream().size() + 3) / 4 * 4;
}

void ObjectImport::beginAppend() {
  AssetStream& stream = file_.stream();
  stream.seekEnd();
  fields::writeZeroPadding(stream);
}

void ObjectImport::warn(std::wstring_view message, const Object& object) {
  std::wstring line(message);
  line += object.className;
  if (!object.name.empty()) line += L" " + object.name;
  line += L" (PathID " + std::to_wstring(object.info.pathId) + L")";
  print_(line);
}
