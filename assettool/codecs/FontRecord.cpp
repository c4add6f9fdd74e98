#include "codecs/FontRecord.h"

#include "platform/Platform.h"

namespace {

constexpr std::uint32_t kCharacterRectLength = 44;
constexpr std::uint32_t kKerningPairLength = 8;
constexpr std::uint32_t kFontReferenceLength = 8;
// Smallest font name: its length word.
constexpr std::uint32_t kSmallestFontName = 4;

// Font data of format 15 and later has a pair of words after the character rectangles.
constexpr bool hasNewerPair(std::int32_t formatVersion) {
  return formatVersion >= 15;
}

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

bool FontRecord::parse(std::span<const std::uint8_t> bytes, std::int32_t formatVersion) {
  formatVersion_ = formatVersion;
  AssetStream stream(bytes);
  auto name = fields::readSized(stream);
  if (!name) return false;
  name_ = std::move(*name);
  stream.alignRead();
  metrics_ = fields::readWords<8>(stream);
  auto rects = fields::readCountedBlock(stream, kCharacterRectLength);
  if (!rects) return false;
  characterRects_ = std::move(*rects);
  if (hasNewerPair(formatVersion_)) newerPair_ = fields::readWords<2>(stream);
  pair_ = fields::readWords<2>(stream);
  auto kerning = fields::readCountedBlock(stream, kKerningPairLength);
  if (!kerning) return false;
  kerningPairs_ = std::move(*kerning);
  spacing_ = stream.readInt32();
  auto fontData = fields::readSized(stream);
  if (!fontData) return false;
  fontData_ = std::move(*fontData);
  settings_ = fields::readWords<3>(stream);

  const std::int32_t nameCount = stream.readInt32();
  if (nameCount < 0 || !stream.canRead(static_cast<std::uint32_t>(nameCount), kSmallestFontName))
    return false;
  fontNames_.clear();
  for (std::int32_t i = 0; i < nameCount; ++i) {
    auto fontName = fields::readSized(stream);
    if (!fontName) return false;
    fontNames_.push_back(std::move(*fontName));
    stream.alignRead();
  }
  auto references = fields::readCountedBlock(stream, kFontReferenceLength);
  if (!references) return false;
  fontReferences_ = std::move(*references);
  last_ = stream.readInt32();
  return !stream.failed();
}

bool FontRecord::importFont(const std::wstring& ttfPath) {
  fields::Bytes fontData = fontData_;
  fields::Bytes rects = characterRects_;
  if (!takeFileIfPresent(ttfPath, fontData)) return false;
  if (!takeFileIfPresent(rectPath(ttfPath), rects)) return false;
  fontData_ = std::move(fontData);
  characterRects_ = std::move(rects);
  return true;
}

std::int32_t FontRecord::write(AssetStream& stream) const {
  const std::int64_t start = stream.position();
  fields::writeSized(stream, name_);
  stream.alignWrite();
  fields::writeWords(stream, metrics_);
  stream.writeBytes(characterRects_);
  if (hasNewerPair(formatVersion_)) fields::writeWords(stream, newerPair_);
  fields::writeWords(stream, pair_);
  stream.writeBytes(kerningPairs_);
  stream.writeInt32(spacing_);
  fields::writeSized(stream, fontData_);
  fields::writeWords(stream, settings_);
  stream.writeInt32(static_cast<std::int32_t>(fontNames_.size()));
  for (const fields::Bytes& fontName : fontNames_) {
    fields::writeSized(stream, fontName);
    stream.alignWrite();
  }
  stream.writeBytes(fontReferences_);
  stream.writeInt32(last_);
  return static_cast<std::int32_t>(stream.position() - start);
}
