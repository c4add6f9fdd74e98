#include "codecs/FontRecord.h"

#include "platform/Platform.h"

namespace {

// What a replacement that may be missing gave: nothing to take, a file, or a file that exists but
// cannot be opened.
struct OptionalFile {
  bool unreadable = false;
  std::shared_ptr<const ByteRegion> region;
};

OptionalFile openIfPresent(const std::wstring& path) {
  if (!platform::pathExists(path)) return {};
  std::shared_ptr<const ByteRegion> region = ByteRegion::openFile(path);
  return OptionalFile{region == nullptr, region};
}

}  // namespace

std::wstring FontRecord::rectPath(const std::wstring& ttfPath) {
  return platform::removeExtension(ttfPath) + L".rect";
}

bool FontRecord::parse(std::shared_ptr<const ByteRegion> object, const fields::ObjectLayout& layout) {
  return object_.read(std::move(object), layout);
}

bool FontRecord::parse(const fields::Bytes& bytes, const fields::ObjectLayout& layout) {
  return object_.read(bytes, layout);
}

bool FontRecord::takesCharacterRects(const ByteRegion& block) const {
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
  const OptionalFile font = openIfPresent(ttfPath);
  const OptionalFile rects = openIfPresent(rectPath(ttfPath));
  if (font.unreadable || rects.unreadable) return FontImport::Unreadable;
  if (rects.region && !takesCharacterRects(*rects.region)) {
    return rects.region->failed() ? FontImport::Unreadable : FontImport::RectsMalformed;
  }
  if (font.region && !object_.setElements("m_FontData", RegionSlice{font.region, 0, font.region->size()}))
    return FontImport::TooLarge;
  if (rects.region)
    object_.setSerialized("m_CharacterRects", RegionSlice{rects.region, 0, rects.region->size()});
  return FontImport::Imported;
}
