#include "app/RepackRun.h"

#include "app/Messages.h"
#include "app/ObjectImport.h"
#include "app/UnpackFolder.h"
#include "platform/Platform.h"
#include "serialized/FormatVersion.h"
#include "serialized/SerializedFile.h"

namespace {

std::wstring_view refusal(LoadStatus status) {
  switch (status) {
    case LoadStatus::CannotOpen:
      return messages::kCannotOpen;
    case LoadStatus::TooLarge:
      return messages::kTooLarge;
    case LoadStatus::TypeTreesUnsupported:
      return messages::kTypeTreesUnsupported;
    case LoadStatus::VersionUnsupported:
      return messages::kVersionUnsupported;
    case LoadStatus::OutOfMemory:
      return messages::kMetadataOutOfMemory;
    case LoadStatus::Damaged:
    case LoadStatus::Loaded:
      break;
  }
  return messages::kDamaged;
}

}  // namespace

void runRepack(const std::wstring& assetPath, const ClassIdTable& classes, const LinePrinter& print) {
  if (!platform::pathExists(assetPath)) {
    print(messages::kFileMissing);
    return;
  }
  print(messages::kRepackStarted);

  SerializedFile file;
  const LoadStatus status = file.load(assetPath);
  if (status != LoadStatus::Loaded) {
    print(refusal(status));
    return;
  }
  // Older files keep their metadata at the end and are never rewritten: refuse before appending.
  if (!format::isWritable(file.headerCopy().formatVersion)) {
    print(messages::kVersionBelow9);
    return;
  }

  UnpackFolder folder(assetPath);
  if (!ObjectImport(file, classes, folder, print).importAll()) {
    // The table has not been rewritten, so once the appended bytes are cut off the file is as it
    // was before the run.
    file.cutAppended();
    file.close();
    print(messages::kWriteFailed);
    return;
  }
  const bool saved = file.save() == SaveStatus::Saved;
  const bool closed = file.close();
  print(saved && closed ? messages::kDone : messages::kWriteFailed);
}
