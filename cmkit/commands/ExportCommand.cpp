#include "commands/ExportCommand.h"

#include <new>

#include "app/KitMessages.h"
#include "codecs/DdsFile.h"
#include "codecs/FontRecord.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "codecs/TextureDecode.h"
#include "commands/KitAsset.h"
#include "files/WholeFile.h"
#include "images/MobileDecode.h"
#include "images/PngFile.h"
#include "platform/Platform.h"

namespace {

std::optional<kit_files::WriteFailure> writeBytes(const std::wstring& path, const fields::Bytes& bytes) {
  return kit_files::writeWholeFile(path, [&bytes](AssetStream& stream) {
    stream.writeBytes(bytes);
    return true;
  });
}

// The bytes of an object, copied a piece at a time: an object of any size takes little memory.
std::optional<kit_files::WriteFailure> writeSlice(const std::wstring& path, const RegionSlice& slice) {
  return kit_files::writeWholeFile(path, [&slice](AssetStream& stream) { return stream.copy(slice); });
}

class Exporter {
 public:
  Exporter(const ExportOptions& options, KitAsset& asset, const LinePrinter& print)
      : options_(options), asset_(asset), print_(print) {}

  void exportObject(const ReplacementName& replacement, const ObjectInfo& info, const UnpackFolder& folder) {
    try {
      exportHandledClass(replacement, info, folder);
    } catch (const std::bad_alloc&) {
      // A picture is decoded whole and may not fit in memory; a file half written is removed as the
      // writing unwinds.
      skip(kit_messages::kExportOutOfMemory, replacement, info);
    }
  }

  int finish() {
    print_(kit_messages::exportSummary(filesWritten_, objectsSkipped_, objectsEmpty_));
    return objectsSkipped_ == 0 ? 0 : 1;
  }

 private:
  void exportHandledClass(const ReplacementName& replacement, const ObjectInfo& info,
                          const UnpackFolder& folder) {
    if (replacement.kind == ReplacementName::Kind::NotHandled) return;
    if (const auto why = whyNoReplacement(replacement, folder)) return skip(*why, replacement, info);
    if (replacement.kind == ReplacementName::Kind::Script) {
      const std::shared_ptr<const ByteRegion> object = asset_.file.objectRegion(info);
      return written(replacement.path, writeSlice(replacement.path, RegionSlice{object, 0, object->size()}),
                     replacement, info);
    }
    const std::optional<fields::ObjectLayout> layout = asset_.layoutOf(info);
    if (!layout) return skip(kit_messages::kLayoutUnknown, replacement, info);
    if (replacement.className == class_name::kTexture2D) return exportTexture(replacement, info, *layout);
    if (replacement.className == class_name::kFont) return exportFont(replacement, info, *layout);
    exportTextAsset(replacement, info, *layout);
  }

  void exportTexture(const ReplacementName& replacement, const ObjectInfo& info,
                     const fields::ObjectLayout& layout) {
    Texture2DRecord record;
    if (!record.parse(asset_.file.objectRegion(info), layout)) {
      return skip(kit_messages::kDataDamaged, replacement, info);
    }
    if (!record.holdsPixels()) return nothingToExport(kit_messages::kNoPixels, replacement, info);
    if (options_.png) return exportPicture(replacement, info, record);
    if (!dds::pixelFormatOf(record.textureFormat()))
      return skip(kit_messages::kNoDdsFormat, replacement, info);
    const std::optional<RegionSlice> pixels = record.pixelSource(options_.assetPath);
    if (!pixels) return skip(kit_messages::kResourceMissing, replacement, info);
    written(replacement.path,
            kit_files::writeWholeFile(replacement.path,
                                      [&](AssetStream& stream) { return record.writeDds(stream, *pixels); }),
            replacement, info);
  }

  // The top level as a PNG picture where the DDS file would stand: RGB for a format without
  // alpha, unless some texel of a DXT1 texture is transparent.
  void exportPicture(const ReplacementName& replacement, const ObjectInfo& info,
                     const Texture2DRecord& record) {
    const std::int32_t format = record.textureFormat();
    if (!texture_decode::decodes(format) && !mobile_decode::decodes(format))
      return skip(kit_messages::cannotDecode(format), replacement, info);
    const std::optional<fields::Bytes> pixels = record.pixels(options_.assetPath);
    if (!pixels) return skip(kit_messages::kResourceMissing, replacement, info);
    const std::optional<texture_decode::Image> picture = decodedPicture(format, record, *pixels);
    if (!picture) return skip(kit_messages::kDataDamaged, replacement, info);
    const std::optional<fields::Bytes> png = png_file::write(*picture, keepsAlpha(format, *picture));
    if (!png) return skip(kit_messages::kPngNotWritten, replacement, info);
    const std::wstring path = picturePath(replacement.path);
    written(path, writeBytes(path, *png), replacement, info);
  }

  static std::optional<texture_decode::Image> decodedPicture(std::int32_t format,
                                                             const Texture2DRecord& record,
                                                             const fields::Bytes& pixels) {
    if (mobile_decode::decodes(format))
      return mobile_decode::decodeTopLevel(format, record.width(), record.height(), pixels);
    texture_decode::Decoded decoded =
        texture_decode::decodeTopLevel(format, record.width(), record.height(), pixels);
    if (decoded.status != texture_decode::Status::Decoded) return std::nullopt;
    return std::move(decoded.image);
  }

  static bool keepsAlpha(std::int32_t format, const texture_decode::Image& image) {
    if (texture_decode::hasAlpha(format)) return true;
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
      if (image.rgba[i] != 255) return true;
    }
    return false;
  }

  void exportFont(const ReplacementName& replacement, const ObjectInfo& info,
                  const fields::ObjectLayout& layout) {
    FontRecord record;
    if (!record.parse(asset_.file.objectRegion(info), layout)) {
      return skip(kit_messages::kDataDamaged, replacement, info);
    }
    const std::optional<RegionSlice> fontData = record.storedFontData();
    const std::optional<RegionSlice> rects = record.storedCharacterRects();
    if (!fontData || fontData->length == 0) {
      nothingToExport(kit_messages::kNoFontData, replacement, info);
    } else {
      written(replacement.path, writeSlice(replacement.path, *fontData), replacement, info);
    }
    if (rects && rects->length > 4) {
      const std::wstring rect = FontRecord::rectPath(replacement.path);
      written(rect, writeSlice(rect, *rects), replacement, info);
    }
  }

  void exportTextAsset(const ReplacementName& replacement, const ObjectInfo& info,
                       const fields::ObjectLayout& layout) {
    TextAssetRecord record;
    if (!record.parse(asset_.file.objectRegion(info), layout))
      return skip(kit_messages::kDataDamaged, replacement, info);
    written(replacement.path, writeSlice(replacement.path, record.storedScript().value_or(RegionSlice{})),
            replacement, info);
  }

  void written(const std::wstring& path, const std::optional<kit_files::WriteFailure>& failure,
               const ReplacementName& replacement, const ObjectInfo& info) {
    if (failure) return skip(kit_messages::notWritten(path, *failure), replacement, info);
    ++filesWritten_;
    print_(std::wstring(kit_messages::kExported) + path);
  }

  void skip(std::wstring_view why, const ReplacementName& replacement, const ObjectInfo& info) {
    ++objectsSkipped_;
    print_(std::wstring(kit_messages::kNotExported) + describe(replacement, info) + std::wstring(why));
  }

  // Not a failure: the object holds nothing that a file could carry, and qmx, finding no file,
  // keeps it as it is.
  void nothingToExport(std::wstring_view why, const ReplacementName& replacement, const ObjectInfo& info) {
    ++objectsEmpty_;
    print_(std::wstring(kit_messages::kNothingToExport) + describe(replacement, info) + std::wstring(why));
  }

  const ExportOptions& options_;
  KitAsset& asset_;
  const LinePrinter& print_;
  int filesWritten_ = 0;
  int objectsSkipped_ = 0;
  int objectsEmpty_ = 0;
};

}  // namespace

int exportObjects(const ExportOptions& options, const ClassIdTable& classes, const LinePrinter& print) {
  KitAsset asset;
  if (!asset.load(options.assetPath, print)) return 2;
  UnpackFolder folder = unpackFolderFor(options.assetPath, options.folder);
  if (!options.force && !platform::isMissingOrEmptyFolder(folder.path())) {
    print(std::wstring(kit_messages::kFolderNotEmpty) + folder.path());
    return 2;
  }
  if (!platform::createFolders(folder.path())) {
    print(std::wstring(kit_messages::kFolderNotCreated) + folder.path());
    return 2;
  }
  Exporter exporter(options, asset, print);
  asset.forEachObject(classes, folder, [&](const ReplacementName& replacement, const ObjectInfo& info) {
    exporter.exportObject(replacement, info, folder);
  });
  return exporter.finish();
}
