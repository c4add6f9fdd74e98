#pragma once

#include <cstdint>

#include "codecs/ObjectFields.h"

// The data of a TextAsset object, read through its release's layout: name, text and, before
// 2017.1, a path name. A .txt file replaces the text, bytes as they stand.
class TextAssetRecord {
 public:
  // False when the object is not laid out so (see LaidOutObject::read).
  bool parse(std::shared_ptr<const ByteRegion> object, const fields::ObjectLayout& layout) {
    return object_.read(std::move(object), layout);
  }
  bool parse(const fields::Bytes& bytes, const fields::ObjectLayout& layout) {
    return object_.read(bytes, layout);
  }
  void setScript(const fields::Bytes& script) { object_.setElements("m_Script", script); }
  // The text of a file, copied when the record is written; false when it is longer than a count holds.
  bool setScript(const RegionSlice& script) { return object_.setElements("m_Script", script); }
  // The final padding is written as zero bytes, so the whole object lies inside the file. False
  // when the text's file could not be read.
  bool write(AssetStream& stream) const { return object_.write(stream); }

  fields::Bytes name() const { return object_.elements("m_Name"); }
  fields::Bytes script() const { return object_.elements("m_Script"); }
  std::optional<RegionSlice> storedScript() const { return object_.storedElements("m_Script"); }

 private:
  fields::LaidOutObject object_;
};
