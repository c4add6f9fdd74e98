#include "app/ObjectImport.h"

#include <limits>
#include <new>

#include "app/Messages.h"
#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "platform/Platform.h"

ObjectImport::ObjectImport(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder,
                           LinePrinter print)
    : file_(file),
      names_(file, classes, folder),
      print_(std::move(print)),
      dataOffset_(file.headerCopy().dataOffset),
      formatVersion_(file.headerCopy().formatVersion) {}

bool ObjectImport::importAll() {
  for (auto& [key, info] : file_.objects().entries()) {
    importObject(info);
    if (file_.stream().failed()) return false;
  }
  return true;
}

void ObjectImport::importObject(ObjectInfo& info) {
  Object object{info, names_.next(info)};
  const std::int64_t end = file_.stream().size();
  try {
    importHandledClass(object);
  } catch (const std::bad_alloc&) {
    // Memory is taken a little at a time while the object is read and written: what was appended
    // of it goes again, and the object keeps its data.
    cutBackTo(end);
    warn(messages::kOutOfMemory, object);
  }
}

void ObjectImport::importHandledClass(Object& object) {
  const std::wstring& className = object.replacement.className;
  switch (object.replacement.kind) {
    case ReplacementName::Kind::NotHandled:
    case ReplacementName::Kind::LeavesFolder:
      return;
    case ReplacementName::Kind::NameUnreadable:
      warn(messages::kObjectDataDamaged, object);
      return;
    case ReplacementName::Kind::Script:
      importMonoBehaviour(object);
      return;
    case ReplacementName::Kind::Named:
      break;
  }
  if (className == class_name::kFont) {
    importFont(object);
  } else if (className == class_name::kTexture2D) {
    importTexture(object);
  } else {
    importTextAsset(object);
  }
}

std::optional<fields::ObjectLayout> ObjectImport::layoutOf(const Object& object) {
  std::optional<fields::ObjectLayout> layout = objectLayout(file_, object.info);
  if (!layout) warn(messages::kLayoutUnknown, object);
  return layout;
}

void ObjectImport::importFont(Object& object) {
  const std::wstring& ttf = object.replacement.path;
  if (!platform::pathExists(ttf) && !platform::pathExists(FontRecord::rectPath(ttf))) return;
  const std::optional<fields::ObjectLayout> layout = layoutOf(object);
  if (!layout) return;

  FontRecord record;
  if (!record.parse(file_.objectRegion(object.info), *layout)) {
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
    case FontRecord::FontImport::TooLarge:
      warn(messages::kFileWouldBeTooLarge, object);
      return;
    case FontRecord::FontImport::Imported:
      break;
  }
  appendRecord(object, record);
}

void ObjectImport::importTexture(Object& object) {
  const std::wstring& dds = object.replacement.path;
  if (!platform::pathExists(dds)) return;
  const std::optional<fields::ObjectLayout> layout = layoutOf(object);
  if (!layout) return;

  Texture2DRecord record;
  if (!record.parse(file_.objectRegion(object.info), *layout)) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  switch (record.importDds(dds)) {
    case Texture2DRecord::DdsImport::Unreadable:
      warn(messages::kReplacementUnreadable, object);
      return;
    case Texture2DRecord::DdsImport::TooLarge:
      warn(messages::kFileWouldBeTooLarge, object);
      return;
    case Texture2DRecord::DdsImport::Unsupported:
      print_(messages::unsupportedTextureFormat(object.replacement.name, record.textureFormat()));
      break;
    case Texture2DRecord::DdsImport::NotImportable:
    case Texture2DRecord::DdsImport::Imported:
      break;
  }
  appendRecord(object, record);
}

void ObjectImport::importTextAsset(Object& object) {
  const std::wstring& txt = object.replacement.path;
  if (!platform::pathExists(txt)) return;
  const std::optional<fields::ObjectLayout> layout = layoutOf(object);
  if (!layout) return;

  TextAssetRecord record;
  if (!record.parse(file_.objectRegion(object.info), *layout)) {
    warn(messages::kObjectDataDamaged, object);
    return;
  }
  const std::shared_ptr<const ByteRegion> text = ByteRegion::openFile(txt);
  if (!text) {
    warn(messages::kReplacementUnreadable, object);
    return;
  }
  if (!record.setScript(RegionSlice{text, 0, text->size()})) {
    warn(messages::kFileWouldBeTooLarge, object);
    return;
  }
  appendRecord(object, record);
}

void ObjectImport::importMonoBehaviour(Object& object) {
  const std::wstring& bin = object.replacement.path;
  if (!platform::pathExists(bin)) return;
  const std::shared_ptr<const ByteRegion> data = ByteRegion::openFile(bin);
  if (!data) {
    warn(messages::kReplacementUnreadable, object);
    return;
  }
  append(object, [&data](AssetStream& stream) { return stream.copy(RegionSlice{data, 0, data->size()}); });
}

template <typename Record>
void ObjectImport::appendRecord(Object& object, const Record& record) {
  append(object, [&record](AssetStream& stream) { return record.write(stream); });
}

template <typename Write>
void ObjectImport::append(Object& object, const Write& write) {
  const std::int64_t start = nextObjectStart();
  AssetStream counter(AssetStream::CountingFrom{start});
  write(counter);
  const std::int64_t length = counter.position() - start;
  if (!SerializedFile::offsetsReach(start + length, formatVersion_) ||
      length > std::numeric_limits<std::uint32_t>::max()) {
    warn(messages::kFileWouldBeTooLarge, object);
    return;
  }
  if (holdsAlready(object, write, length)) return;

  const std::int64_t end = file_.stream().size();
  beginAppend(start);
  const bool replacementsRead = write(file_.stream());
  // Checked here, not at save: the first failure must stop the run before the table is rewritten.
  if (!file_.stream().flush()) return;
  if (!replacementsRead) {
    cutBackTo(end);
    warn(messages::kReplacementUnreadable, object);
    return;
  }
  object.info.byteStart = static_cast<std::uint64_t>(start) - dataOffset_;
  object.info.byteSize = static_cast<std::uint32_t>(length);
}

template <typename Write>
bool ObjectImport::holdsAlready(const Object& object, const Write& write, std::int64_t length) {
  if (length != static_cast<std::int64_t>(object.info.byteSize)) return false;
  AssetStream comparer(AssetStream::ComparingWith{file_.stream(), file_.objectOffset(object.info)});
  return write(comparer) && !comparer.differs();
}

void ObjectImport::cutBackTo(std::int64_t end) {
  AssetStream& stream = file_.stream();
  // A file that cannot be cut keeps the bytes past its old end, which no object points at.
  if (stream.size() > end) stream.truncate(end);
}

std::int64_t ObjectImport::nextObjectStart() const {
  const std::int64_t alignment = format::objectAlignment(formatVersion_);
  // Counted from the data offset where the engine aligns objects on 16; from the file's start, as
  // ever, before.
  const auto base = format::hasLargeFilesSupport(formatVersion_) ? static_cast<std::int64_t>(dataOffset_) : 0;
  return base + (file_.stream().size() - base + alignment - 1) / alignment * alignment;
}

// Zeros from the end of the file up to where the next object starts.
void ObjectImport::beginAppend(std::int64_t start) {
  AssetStream& stream = file_.stream();
  stream.seekEnd();
  stream.writeBytes(fields::Bytes(static_cast<std::size_t>(start - stream.position()), 0));
}

void ObjectImport::warn(std::wstring_view message, const Object& object) {
  std::wstring line(message);
  line += object.replacement.className;
  if (!object.replacement.name.empty()) line += L" " + object.replacement.name;
  line += L" (PathID " + std::to_wstring(object.info.pathId) + L")";
  print_(line);
}
