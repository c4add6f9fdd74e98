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

Bytes textureObject(const TextureData& t) {
  Bytes data;
  appendString(data, t.name);
  pad(data);
  for (std::int32_t value :
       {t.width, t.height, static_cast<std::int32_t>(t.imageData.size()), t.textureFormat, t.mipValue}) {
    appendInt32(data, value);
  }
  append(data, Bytes(t.flags.begin(), t.flags.end()));
  pad(data);
  for (std::int32_t value : t.settings) appendInt32(data, value);
  appendSized(data, t.imageData);
  return data;
}

Bytes fontObject(const FontData& f, std::int32_t formatVersion) {
  Bytes data;
  appendString(data, f.name);
  pad(data);
  for (std::int32_t i = 0; i < 8; ++i) appendInt32(data, 100 + i);
  append(data, f.characterRects);
  if (formatVersion >= 15) {
    for (std::int32_t value : f.newerPair) appendInt32(data, value);
  }
  appendInt32(data, 21);
  appendInt32(data, 22);
  append(data, f.kerningPairs);
  appendInt32(data, 0x40000000);
  appendSized(data, f.fontData);
  for (std::int32_t value : {31, 32, 33}) appendInt32(data, value);
  appendInt32(data, static_cast<std::int32_t>(f.fontNames.size()));
  for (const std::string& name : f.fontNames) {
    appendString(data, name);
    pad(data);
  }
  appendInt32(data, 1);
  appendInt32(data, 41);
  appendInt32(data, 42);
  appendInt32(data, f.last);
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
  dds.resize(128, 0);
  append(dds, imageData);
  return dds;
}

Bytes characterRects(std::int32_t count) {
  Bytes block;
  appendInt32(block, count);
  for (std::int32_t i = 0; i < count; ++i) append(block, Bytes(44, static_cast<std::uint8_t>(i)));
  return block;
}

}  // namespace testsupport
