#include "codecs/FontRecord.h"

#include "platform/Platform.h"

namespace {

// Replaces target with the file's bytes if the file exists; false if it exists but cannot be read.
bool takeFileIfPresent(const std::wstring& path, fields::Bytes& target) {
  if (!platform::pathExists(path)) return true;
  std::optional<fields::Bytes> bytes = readWholeFile(path);
  if (!bytes) return false;
  target = std::move(*bytes);
  return true;
}

}  // namespace

std::wstring FontRecord::rectPath(const std::wstring& ttfPath) {
  return platform::removeExtension(ttfPath) + L".rect";
}

bool FontRecord::parse(fields::Bytes bytes, const fields::ObjectLayout& layout) {
  return object_.read(std::move(bytes), layout);
}

bool FontRecord::takesCharacterRects(const fields::Bytes& block) const {
  const layouts::Field* rects = object_.find("m_CharacterRects");
  if (rects == nullptr) return false;
  const std::optional<layouts::Field> read = layouts::readObject(block, object_.layoutOf(*rects));
  return read && read->end == block.size();
}

std::uint32_t FontRecord::characterRectLength() const {
  const layouts::Field* rects = object_.find("m_CharacterRects");
  const layouts::Field* array = rects == nullptr ? nullptr : rects->array();
  if (array == nullptr) return 0;
  // The array's nodes: itself, its count, then the element with its own fields.
  const layouts::Layout nodes = object_.layoutOf(*array);
  if (nodes.size() < 3) return 0;
  const std::optional<std::size_t> length = layouts::fixedLength(nodes.subspan(2));
  return length ? static_cast<std::uint32_t>(*length) : 0;
}

FontRecord::FontImport FontRecord::importFont(const std::wstring& ttfPath) {
  fields::Bytes font = fontData();
  fields::Bytes rects = characterRects();
  if (!takeFileIfPresent(ttfPath, font) || !takeFileIfPresent(rectPath(ttfPath), rects)) {
    return FontImport::Unreadable;
  }
  if (!takesCharacterRects(rects)) return FontImport::RectsMalformed;
  object_.setElements("m_FontData", font);
  object_.setSerialized("m_CharacterRects", std::move(rects));
  return FontImport::Imported;
}
