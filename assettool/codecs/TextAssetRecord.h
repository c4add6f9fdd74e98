#pragma once

#include <cstdint>
#include <span>

#include "codecs/ObjectFields.h"

// The data of a TextAsset object: name, text and path name. A .txt file replaces the text, bytes as
// they stand.
class TextAssetRecord {
 public:
  // False when a length is negative, the fields run past the object's bytes, or the object holds
  // more than its fields.
  bool parse(std::span<const std::uint8_t> bytes);
  void setScript(fields::Bytes script) { script_ = std::move(script); }
  // The final padding is written as zero bytes, so the whole object lies inside the file.
  std::int32_t write(AssetStream& stream) const;

  const fields::Bytes& name() const { return name_; }
  const fields::Bytes& script() const { return script_; }

 private:
  fields::Bytes name_;
  fields::Bytes script_;
  fields::Bytes pathName_;
};
