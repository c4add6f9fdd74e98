#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"
#include "app/ReplacementNames.h"
#include "app/UnpackFolder.h"
#include "serialized/SerializedFile.h"

// The per-object step of a repack run: a Font, Texture2D, TextAsset or MonoBehaviour object whose
// replacement file exists gets its new data appended to the asset file and its table entry pointed
// at it. Other objects are passed over. Everything an object needs is read before anything of it
// is written, every appended object starts where its format aligns objects, and an object is pointed at its
// new data only once that has been written and flushed. An object is rewritten only in a layout
// known for it (the file's own type tree, or the table's for the file's release), and only when it
// reads to its end in that layout.
class ObjectImport {
 public:
  ObjectImport(SerializedFile& file, const ClassIdTable& classes, UnpackFolder& folder, LinePrinter print);

  // Every object of the table, in ascending unsigned path-ID order. Stops at the first append that
  // cannot be written (nothing more is written then) and returns false: what was appended must be
  // cut off again.
  bool importAll();

 private:
  struct Object {
    ObjectInfo& info;
    ReplacementName replacement;
  };

  void importObject(ObjectInfo& info);
  void importHandledClass(Object& object);
  void importFont(Object& object);
  void importTexture(Object& object);
  void importTextAsset(Object& object);
  void importMonoBehaviour(Object& object);

  // Where the next appended object starts: the end of the file, rounded up to a multiple of 4.
  std::int64_t nextObjectStart() const;
  // Pads the end of the file with zeros up to nextObjectStart.
  void beginAppend(std::int64_t start);
  // Writes the record as the object's new data and points the object at it.
  template <typename Record>
  void appendRecord(Object& object, const Record& record);
  // Appends what write puts into a stream as the object's new data, unless the file would then
  // reach past its 32-bit offsets; its size is learned first by writing it into a counting stream.
  template <typename Write>
  void append(Object& object, const Write& write);
  void warn(std::wstring_view message, const Object& object);

  SerializedFile& file_;
  ReplacementNames names_;
  LinePrinter print_;
  std::uint64_t dataOffset_;
  std::int32_t formatVersion_;
};
