#include "support/ObjectData.h"

#include "support/SerializedFileBuilder.h"

namespace testsupport {
namespace {

void pad(Bytes& bytes) {
  while (bytes.size() % 4 != 0) bytes.push_back(0);
}

void append(Bytes& bytes, const Bytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

void appendSized(Bytes& bytes, const Bytes& run) {
  appendInt32(bytes, static_cast<std::int32_t>(run.size()));
  append(bytes, run);
}

}  // namespace

Bytes textureObject(const TextureData& t, TextureLayout layout) {
  Bytes data;
  appendString(data, t.name);
  pad(data);
  for (std::int32_t value :
       {t.width, t.height, static_cast<std::int32_t>(t.imageData.size()), t.textureFormat}) {
    appendInt32(data, value);
  }
  if (layout != TextureLayout::MipBool) appendInt32(data, t.mipValue);
  append(data, Bytes(t.flags.begin(), t.flags.end()));
  pad(data);
  for (std::int32_t value : t.settings) appendInt32(data, value);
  appendSized(data, t.imageData);
  if (layout == TextureLayout::MipCount) return data;
  pad(data);
  if (layout == TextureLayout::StreamData) {
    appendInt32(data, static_cast<std::int32_t>(t.streamOffset));
    appendInt32(data, static_cast<std::int32_t>(t.streamSize));
    appendString(data, t.streamPath);
    pad(data);
  }
  return data;
}

Bytes fontObject(const FontData& f, FontLayout layout) {
  const bool large = layout != FontLayout::SmallReferences;
  const auto reference = [&](Bytes& data, std::int32_t file, std::int64_t pathId) {
    appendInt32(data, file);
    if (large) {
      appendInt64(data, pathId);
    } else {
      appendInt32(data, static_cast<std::int32_t>(pathId));
    }
  };
  Bytes data;
  appendString(data, f.name);
  pad(data);
  for (std::int32_t i = 0; i < 6; ++i) appendInt32(data, 100 + i);
  reference(data, 0, 501);  // default material
  append(data, f.characterRects);
  reference(data, 0, 502);  // texture
  append(data, f.kerningPairs);
  appendInt32(data, 0x40000000);
  appendSized(data, f.fontData);
  pad(data);
  for (std::int32_t value : {31, 32}) appendInt32(data, value);  // size and ascent
  if (layout == FontLayout::WithDescent) appendInt32(data, 34);
  appendInt32(data, 33);  // default style
  appendInt32(data, static_cast<std::int32_t>(f.fontNames.size()));
  for (const std::string& name : f.fontNames) {
    appendString(data, name);
    pad(data);
  }
  appendInt32(data, f.fallbackFonts);
  for (std::int32_t i = 0; i < f.fallbackFonts; ++i) reference(data, 1, 600 + i);
  pad(data);
  appendInt32(data, f.renderingMode);
  return data;
}

Bytes textAssetObject(const std::string& name, const Bytes& script, const std::string& pathName) {
  Bytes data;
  appendString(data, name);
  pad(data);
  appendSized(data, script);
  pad(data);
  appendString(data, pathName);
  return data;
}

Bytes ddsFile(std::int32_t width, std::int32_t height, const Bytes& imageData) {
  Bytes dds = {'D', 'D', 'S', ' '};
  appendInt32(dds, 124);
  appendInt32(dds, 0x1007);
  appendInt32(dds, height);
  appendInt32(dds, width);
  dds.resize(76, 0);
  appendInt32(dds, 32);  // the size of the pixel format
  dds.resize(128, 0);
  append(dds, imageData);
  return dds;
}

Bytes characterRects(std::int32_t count, std::size_t recordLength) {
  Bytes block;
  appendInt32(block, count);
  for (std::int32_t i = 0; i < count; ++i) append(block, Bytes(recordLength, static_cast<std::uint8_t>(i)));
  return block;
}

}  // namespace testsupport
