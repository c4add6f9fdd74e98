#include "commands/ListCommand.h"

#include "app/KitMessages.h"
#include "commands/KitAsset.h"

namespace {

// Where qmx looks, or why it looks nowhere; for a known name, also why its record would not be read.
std::wstring replacementColumn(const ReplacementName& replacement, const ObjectInfo& info,
                               const UnpackFolder& folder, const KitAsset& asset) {
  if (const auto why = whyNoReplacement(replacement, folder)) return std::wstring(*why);
  if (replacement.kind == ReplacementName::Kind::Named && !asset.layoutOf(info)) {
    return replacement.path + L" " + std::wstring(kit_messages::kLayoutUnknown);
  }
  return replacement.path;
}

}  // namespace

int listObjects(const std::wstring& assetPath, const ClassIdTable& classes, const LinePrinter& print) {
  KitAsset asset;
  if (!asset.load(assetPath, print)) return 2;
  UnpackFolder folder(assetPath);
  asset.forEachObject(classes, folder, [&](const ReplacementName& replacement, const ObjectInfo& info) {
    print(std::to_wstring(info.pathId) + L"\t" + replacement.className + L"\t" + replacement.name + L"\t" +
          std::to_wstring(info.byteSize) + L"\t" + replacementColumn(replacement, info, folder, asset));
  });
  return 0;
}
