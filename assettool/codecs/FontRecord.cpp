#include "codecs/FontRecord.h"

#include "platform/Platform.h"

namespace {

constexpr std::uint32_t kCharacterRectLength = 44;
constexpr std::uint32_t kKerningPairLength = 8;
// Smallest font name: its length word.
constexpr std::uint32_t kSmallestFontName = 4;

// Replaces target with the file's bytes if the file exists; false if it exists but cannot be read.
bool takeFileIfPresent(const std::wstring& path, fields::Bytes& target) {
  if (!platform::pathExists(path)) return true;
  std::optional<fields::Bytes> bytes = readWholeFile(path);
  if (!bytes) return false;
  target = std::move(*bytes);
  return true;
}

}  // namespace

bool FontRecord::isCharacterRectBlock(const fields::Bytes& block) {
  AssetStream stream(block);
  const std::int32_t count = stream.readInt32();
  return !stream.failed() && count >= 0 &&
         block.size() == 4 + std::uint64_t{kCharacterRectLength} * static_cast<std::uint32_t>(count);
}

std::wstring FontRecord::rectPath(const std::wstring& ttfPath) {
  return platform::removeExtension(ttfPath) + L".rect";
}

bool FontRecord::parse(std::span<const std::uint8_t> bytes, engine::Version version,
                       std::int32_t formatVersion) {
  version_ = version;
  referenceLength_ = fields::referenceLength(formatVersion);
  AssetStream stream(bytes);
  auto name = fields::readSized(stream);
  if (!name) return false;
  name_ = std::move(*name);
  stream.alignRead();
  metrics_ = fields::readWords<6>(stream);
  defaultMaterial_ = stream.readBytes(referenceLength_);
  auto rects = fields::readCountedBlock(stream, kCharacterRectLength);
  if (!rects) return false;
  characterRects_ = std::move(*rects);
  texture_ = stream.readBytes(referenceLength_);
  auto kerning = fields::readCountedBlock(stream, kKerningPairLength);
  if (!kerning) return false;
  kerningPairs_ = std::move(*kerning);
  pixelScale_ = stream.readInt32();
  auto fontData = fields::readSized(stream);
  if (!fontData) return false;
  fontData_ = std::move(*fontData);
  stream.alignRead();
  sizeAndAscent_ = fields::readWords<2>(stream);
  if (engine::hasFontDescent(version_)) descent_ = stream.readInt32();
  defaultStyle_ = stream.readInt32();

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
  auto fallbacks = fields::readCountedBlock(stream, referenceLength_);
  if (!fallbacks) return false;
  fallbackFonts_ = std::move(*fallbacks);
  stream.alignRead();
  renderingMode_ = stream.readInt32();
  return fields::endsObject(stream);
}

FontRecord::FontImport FontRecord::importFont(const std::wstring& ttfPath) {
  fields::Bytes fontData = fontData_;
  fields::Bytes rects = characterRects_;
  if (!takeFileIfPresent(ttfPath, fontData) || !takeFileIfPresent(rectPath(ttfPath), rects)) {
    return FontImport::Unreadable;
  }
  if (!isCharacterRectBlock(rects)) return FontImport::RectsMalformed;
  fontData_ = std::move(fontData);
  characterRects_ = std::move(rects);
  return FontImport::Imported;
}

std::int32_t FontRecord::write(AssetStream& stream) const {
  const std::int64_t start = stream.position();
  fields::writeSized(stream, name_);
  stream.alignWrite();
  fields::writeWords(stream, metrics_);
  stream.writeBytes(defaultMaterial_);
  stream.writeBytes(characterRects_);
  stream.writeBytes(texture_);
  stream.writeBytes(kerningPairs_);
  stream.writeInt32(pixelScale_);
  fields::writeSized(stream, fontData_);
  fields::writeZeroPadding(stream);
  fields::writeWords(stream, sizeAndAscent_);
  if (engine::hasFontDescent(version_)) stream.writeInt32(descent_);
  stream.writeInt32(defaultStyle_);
  stream.writeInt32(static_cast<std::int32_t>(fontNames_.size()));
  for (const fields::Bytes& fontName : fontNames_) {
    fields::writeSized(stream, fontName);
    fields::writeZeroPadding(stream);
  }
  stream.writeBytes(fallbackFonts_);
  fields::writeZeroPadding(stream);
  stream.writeInt32(renderingMode_);
  return static_cast<std::int32_t>(stream.position() - start);
}
