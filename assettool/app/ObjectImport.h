#pragma once

#include <optional>
#include <string>

#include "app/ClassIdTable.h"
#include "app/CommandLine.h"
#include "app/ReplacementNames.h"
#include "app/UnpackFolder.h"
#include "codecs/ObjectFields.h"
#include "serialized/SerializedFile.h"

// The per-object step of a repack run: a Font, Texture2D, TextAsset or MonoBehaviour object whose
// replacement file exists gets its new data appended to the asset file and its table entry pointed
// at it. Other objects are passed over, and so is an object whose data already is what it would
// get: a patch installed again appends nothing. Objects and replacements are read where they lie
// and their bytes copied a piece at a time, so memory does not grow with their size. Everything an
// object needs is checked before anything of it is written, every appended object starts where its
// format aligns objects, and an object is pointed at its new data only once that has been written
// and flushed. An object is rewritten only in a layout known for it (the file's own type tree, or
// the table's for the file's release), and only when it reads to its end in that layout.
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

  // The layout the object is read in, or nothing (said) when none is known for it.
  std::optional<fields::ObjectLayout> layoutOf(const Object& object);
  // Where the next appended object starts: the end of the file, rounded up to where its format
  // aligns objects.
  std::int64_t nextObjectStart() const;
  // Pads the end of the file with zeros up to nextObjectStart.
  void beginAppend(std::int64_t start);
  // Writes the record as the object's new data and points the object at it.
  template <typename Record>
  void appendRecord(Object& object, const Record& record);
  // Appends what write puts into a stream (false when a replacement could not be read) as the
  // object's new data, unless the file would then reach past its offsets or the object past its
  // 32-bit size, or the object's data is that already. Its size is learned first by writing it into
  // a counting stream, which reads nothing.
  template <typename Write>
  void append(Object& object, const Write& write);
  // Whether the object's data already is what write puts, compared while it is written.
  template <typename Write>
  bool holdsAlready(const Object& object, const Write& write, std::int64_t length);
  // Cuts off what an append that did not complete left after the file's old end.
  void cutBackTo(std::int64_t end);
  void warn(std::wstring_view message, const Object& object);

  SerializedFile& file_;
  ReplacementNames names_;
  LinePrinter print_;
  std::uint64_t dataOffset_;
  std::int32_t formatVersion_;
};
