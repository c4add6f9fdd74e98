#pragma once

#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"
#include "app/UnpackFolder.h"
#include "serialized/EngineVersion.h"
#include "serialized/SerializedFile.h"

// The per-object step of a repack run: a Font, Texture2D, TextAsset or MonoBehaviour object whose
// replacement file exists gets its new data appended to the asset file and its table entry pointed
// at it. Other objects are passed over. Everything an object needs is read before anything of it
// is written, and every appended object starts on a multiple of 4. An object is rewritten only in a
// layout known for the file's engine release, and only when it reads to its end in that layout.
class ObjectImport {
 public:
  ObjectImport(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder, LinePrinter print);

  // Every object of the table, in ascending unsigned path-ID order.
  void importAll();

 private:
  struct Object {
    ObjectInfo& info;
    std::wstring className;
    std::wstring name;  // Font, Texture2D and TextAsset only
  };

  void importObject(ObjectInfo& info);
  void importFont(Object& object);
  void importTexture(Object& object);
  void importTextAsset(Object& object);
  void importMonoBehaviour(Object& object);

  // The name at the start of the object's data; nothing when it does not fit the object.
  std::optional<std::wstring> objectName(const ObjectInfo& info);
  // The end of the file, padded with zeros to a multiple of 4, as the next object's byteStart.
  std::uint32_t beginAppend();
  // Writes the record as the object's new data and points the object at it.
  template <typename Record>
  void appendRecord(Object& object, const Record& record);
  void warn(std::wstring_view message, const Object& object);

  SerializedFile& file_;
  const ClassIdTable& classes_;
  UnpackFolder& folder_;
  LinePrinter print_;
  std::uint32_t dataOffset_;
  std::int32_t formatVersion_;
  std::optional<engine::Version> engineVersion_;  // nothing when the file's text does not read as one
};
