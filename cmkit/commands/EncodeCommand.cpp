#include "commands/EncodeCommand.h"

#include <new>

#include "app/KitMessages.h"
#include "codecs/Texture2DRecord.h"
#include "commands/KitAsset.h"
#include "files/WholeFile.h"
#include "images/PngFile.h"
#include "images/TextureEncode.h"
#include "platform/Platform.h"

namespace {

std::wstring bracketed(const std::wstring& why) {
  return L"（" + why + L"）";
}

class Encoder {
 public:
  Encoder(KitAsset& asset, std::function<std::wstring(const std::wstring&)> target, const LinePrinter& print)
      : asset_(asset), target_(std::move(target)), print_(print) {}

  void encodeObject(const ReplacementName& replacement, const ObjectInfo& info) {
    if (replacement.kind != ReplacementName::Kind::Named || replacement.className != class_name::kTexture2D)
      return;
    const std::wstring picture = picturePath(replacement.path);
    if (!platform::pathExists(picture)) return;
    try {
      encodePicture(picture, replacement, info);
    } catch (const std::bad_alloc&) {
      fail(picture, kit_messages::kExportOutOfMemory, replacement, info);
    }
  }

  int finish() {
    print_(kit_messages::encodeSummary(static_cast<int>(encoded_.size()), failed_));
    return failed_ == 0 ? 0 : 1;
  }
  int failures() const { return failed_; }
  const std::vector<EncodedPicture>& encoded() const { return encoded_; }

 private:
  void encodePicture(const std::wstring& picture, const ReplacementName& replacement,
                     const ObjectInfo& info) {
    const std::optional<fields::ObjectLayout> layout = asset_.layoutOf(info);
    if (!layout) return fail(picture, kit_messages::kLayoutUnknown, replacement, info);
    Texture2DRecord record;
    if (!record.parse(asset_.file.objectRegion(info), *layout))
      return fail(picture, kit_messages::kDataDamaged, replacement, info);
    const std::int32_t format = record.textureFormat();
    if (!texture_encode::encodes(format))
      return fail(picture, bracketed(kit_messages::cannotEncode(format)), replacement, info);
    const std::optional<fields::Bytes> bytes = readWholeFile(picture);
    if (!bytes)
      return fail(picture, bracketed(kit_messages::pictureUnreadable("cannot read the file")), replacement,
                  info);
    png_file::ReadFailure failure;
    const std::optional<texture_decode::Image> image = png_file::read(*bytes, failure);
    if (!image)
      return fail(picture, bracketed(kit_messages::pictureUnreadable(failure.reason)), replacement, info);
    if (image->width != record.width() || image->height != record.height()) {
      return fail(
          picture,
          bracketed(kit_messages::pictureSize(image->width, image->height, record.width(), record.height())),
          replacement, info);
    }
    const fields::Bytes data = texture_encode::encode(format, *image, record.mipLevels());
    const std::wstring target = target_(replacement.path);
    const std::optional<kit_files::WriteFailure> written =
        kit_files::writeWholeFile(target, [&](AssetStream& stream) { return record.writeDds(stream, data); });
    if (written) return fail(picture, kit_messages::notWritten(target, *written), replacement, info);
    encoded_.push_back({picture, replacement.path, target});
    print_(std::wstring(kit_messages::kEncoded) + replacement.path);
  }

  void fail(const std::wstring& picture, std::wstring_view why, const ReplacementName& replacement,
            const ObjectInfo& info) {
    ++failed_;
    print_(std::wstring(kit_messages::kNotEncoded) + picture + L"（" + describe(replacement, info) + L"）" +
           std::wstring(why));
  }

  KitAsset& asset_;
  std::function<std::wstring(const std::wstring&)> target_;
  const LinePrinter& print_;
  std::vector<EncodedPicture> encoded_;
  int failed_ = 0;
};

}  // namespace

int encodePictures(const EncodeOptions& options, const ClassIdTable& classes, const LinePrinter& print) {
  KitAsset asset;
  if (!asset.load(options.assetPath, print)) return 2;
  UnpackFolder folder = unpackFolderFor(options.assetPath, options.folder);
  if (!platform::pathExists(folder.path())) {
    print(std::wstring(kit_messages::kFolderMissing) + folder.path());
    return 1;
  }
  Encoder encoder(
      asset, [](const std::wstring& dds) { return dds; }, print);
  asset.forEachObject(classes, folder, [&](const ReplacementName& replacement, const ObjectInfo& info) {
    encoder.encodeObject(replacement, info);
  });
  return encoder.finish();
}

std::optional<std::vector<EncodedPicture>> encodeFolderPictures(
    const std::wstring& assetPath, const std::wstring& folderPath, const ClassIdTable& classes,
    const std::function<std::wstring(const std::wstring&)>& target, const LinePrinter& print) {
  KitAsset asset;
  if (!asset.load(assetPath, print)) return std::nullopt;
  UnpackFolder folder = UnpackFolder::named(folderPath);
  Encoder encoder(asset, target, print);
  asset.forEachObject(classes, folder, [&](const ReplacementName& replacement, const ObjectInfo& info) {
    encoder.encodeObject(replacement, info);
  });
  if (encoder.failures() > 0) return std::nullopt;
  return encoder.encoded();
}
