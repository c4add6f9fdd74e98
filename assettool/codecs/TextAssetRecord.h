#pragma once

#include <cstdint>

#include "codecs/ObjectFields.h"

// The data of a TextAsset object, read through its release's layout: name, text and, before
// 2017.1, a path name. A .txt file replaces the text, bytes as they stand.
class TextAssetRecord {
 public:
  // False when the object is not laid out so (see LaidOutObject::read).
  bool parse(fields::Bytes bytes, const fields::ObjectLayout& layout) {
    return object_.read(std::move(bytes), layout);
  }
  void setScript(const fields::Bytes& script) { object_.setElements("m_Script", script); }
  // The final padding is written as zero bytes, so the whole object lies inside the file.
  std::int64_t write(AssetStream& stream) const { return object_.write(stream); }

  fields::Bytes name() const { return object_.elements("m_Name"); }
  fields::Bytes script() const { return object_.elements("m_Script"); }

 private:
  fields::LaidOutObject object_;
};
