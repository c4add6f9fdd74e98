#include "commands/CheckCommand.h"

#include <algorithm>
#include <map>

#include "app/KitMessages.h"
#include "codecs/DdsFile.h"
#include "codecs/FontRecord.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "codecs/TextureFormat.h"
#include "commands/FontCheck.h"
#include "commands/KitAsset.h"
#include "images/PngFile.h"
#include "images/TextureEncode.h"
#include "names/WindowsNames.h"
#include "platform/Platform.h"

namespace {

// A file qmx would look for, and the object it would replace.
struct Expected {
  std::wstring file;  // relative to the folder
  ReplacementName replacement;
  ObjectInfo info;
  bool characterRects = false;  // a Font's .rect beside its .ttf
  bool picture = false;         // a Texture2D's .png in place of its .dds
};

std::wstring stemOf(const std::wstring& path) {
  const std::size_t dot = path.find_last_of(L'.');
  const std::size_t separator = path.find_last_of(L'\\');
  return dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)
             ? path
             : path.substr(0, dot);
}

// The stem without the numbering of equal names ("Atlas_2" is "Atlas").
std::wstring unnumbered(const std::wstring& stem) {
  const std::size_t underscore = stem.find_last_of(L'_');
  if (underscore == std::wstring::npos || underscore + 1 == stem.size()) return stem;
  const bool digits = std::all_of(stem.begin() + static_cast<std::ptrdiff_t>(underscore) + 1, stem.end(),
                                  [](wchar_t c) { return c >= L'0' && c <= L'9'; });
  return digits ? stem.substr(0, underscore) : stem;
}

class Checker {
 public:
  Checker(KitAsset& asset, const UnpackFolder& folder, const LinePrinter& print)
      : asset_(asset), folder_(folder), print_(print) {}

  void expect(const ReplacementName& replacement, const ObjectInfo& info) {
    if (replacement.kind != ReplacementName::Kind::Named && replacement.kind != ReplacementName::Kind::Script)
      return;
    add({relative(replacement.path), replacement, info});
    if (replacement.className == class_name::kFont) {
      add({relative(FontRecord::rectPath(replacement.path)), replacement, info, true});
    }
    if (replacement.kind == ReplacementName::Kind::Named && replacement.className == class_name::kTexture2D) {
      add({relative(picturePath(replacement.path)), replacement, info, false, true});
    }
  }

  // The number of files checked; problems() then tells how many did not pass.
  std::size_t checkFiles() {
    std::vector<std::wstring> files = platform::filesBelow(folder_.path());
    std::sort(files.begin(), files.end());
    for (const std::wstring& file : files) checkFile(file);
    return files.size();
  }
  int problems() const { return problems_; }

 private:
  void add(Expected expected) {
    const std::wstring lookup = key(expected.file);
    expected_.insert_or_assign(lookup, std::move(expected));
  }
  std::wstring relative(const std::wstring& path) const { return path.substr(folder_.path().size() + 1); }
  // Files are looked up as the file system finds them: on Windows in any letter case.
  static std::wstring key(const std::wstring& path) {
    return platform::fileNamesIgnoreCase() ? windows_names::foldedCase(path) : path;
  }

  void checkFile(const std::wstring& file) {
    const auto found = expected_.find(key(file));
    if (found == expected_.end()) return problem(file, L"没有对应的对象" + nearestName(file));
    const Expected& expected = found->second;
    // Read where it lies, as qmx reads it: a replacement of any size is checked in little memory.
    const std::shared_ptr<const ByteRegion> bytes =
        ByteRegion::openFile(folder_.path() + platform::kPathSeparator + file);
    const std::wstring object = L"（" + describe(expected.replacement, expected.info) + L"）";
    if (!bytes) return problem(file, L"文件无法读取" + object);
    if (bytes->size() == 0) return problem(file, L"文件为空" + object);
    if (const auto why = whyNoReplacement(expected.replacement, folder_))
      return problem(file, std::wstring(*why) + object);
    if (const std::optional<std::wstring> why = misfit(expected, *bytes))
      return problem(file, std::wstring(*why) + object);
    print_(file + L"：替换 " + describe(expected.replacement, expected.info));
  }

  // Why qmx would keep the object's data although the file is there, or the file does not fit it.
  std::optional<std::wstring> misfit(const Expected& expected, const ByteRegion& bytes) {
    const ReplacementName& replacement = expected.replacement;
    if (replacement.kind == ReplacementName::Kind::Script) return std::nullopt;
    const std::optional<fields::ObjectLayout> layout = asset_.layoutOf(expected.info);
    if (!layout) {
      const SerializedMetadata& metadata = asset_.file.metadata();
      return keeps(kit_messages::layoutUnknown(metadata.types.hasTypeTrees, metadata.context.engineVersion));
    }
    const std::shared_ptr<const ByteRegion> data = asset_.file.objectRegion(expected.info);
    if (replacement.className == class_name::kTexture2D) {
      Texture2DRecord record;
      if (!record.parse(data, *layout)) return keeps(kit_messages::kDataDamaged);
      return expected.picture ? pictureMisfit(record, expected, bytes) : ddsMisfit(record, bytes);
    }
    if (replacement.className == class_name::kFont) {
      FontRecord record;
      if (!record.parse(data, *layout)) return keeps(kit_messages::kDataDamaged);
      if (expected.characterRects && !record.takesCharacterRects(bytes))
        return kit_messages::rectsMalformed(record.characterRectLength());
      return std::nullopt;
    }
    if (!TextAssetRecord().parse(data, *layout)) return keeps(kit_messages::kDataDamaged);
    return std::nullopt;
  }

  static std::wstring keeps(std::wstring_view why) { return L"qmx 会保留对象原数据" + std::wstring(why); }

  static std::optional<std::wstring> ddsMisfit(const Texture2DRecord& record, const ByteRegion& bytes) {
    const std::int32_t format = record.textureFormat();
    const std::optional<dds::PixelFormat> pixelFormat = dds::pixelFormatOf(format);
    if (!pixelFormat) return keeps(kit_messages::kNoDdsFormat);
    if (bytes.size() < dds::kHeaderLength) return L"不是 DDS 文件";
    AssetStream stream(bytes.bytes(0, dds::kHeaderLength));
    dds::Header header;
    if (!header.read(stream)) return L"不是 DDS 文件";
    if (header.pixelFormat != *pixelFormat) {
      return L"DDS 的像素格式与对象的纹理格式 " + std::to_wstring(format) + L" 不符";
    }
    const std::uint32_t levels = record.mipLevelsAt(header.width, header.height);
    if (header.mipCount != levels) {
      return L"DDS 有 " + std::to_wstring(header.mipCount) + L" 层，对象需要 " + std::to_wstring(levels) +
             L" 层";
    }
    const std::optional<std::uint64_t> needed = dds::imageLength(format, header.width, header.height, levels);
    const std::uint64_t held = bytes.size() - dds::kHeaderLength;
    if (!needed || *needed != held) {
      return L"DDS 数据有 " + std::to_wstring(held) + L" 字节，" + std::to_wstring(header.width) + L"×" +
             std::to_wstring(header.height) + L"、" + std::to_wstring(levels) + L" 层需要 " +
             std::to_wstring(needed.value_or(0)) + L" 字节";
    }
    return std::nullopt;
  }

  // A picture stands for the DDS file that encode and pack make of it: the texture's format must
  // encode, the picture must read at the texture's size, and no DDS file may stand beside it.
  std::optional<std::wstring> pictureMisfit(const Texture2DRecord& record, const Expected& expected,
                                            const ByteRegion& bytes) const {
    if (platform::pathExists(expected.replacement.path)) return L"同一纹理既有 .dds 又有 .png，只能留一个";
    if (!texture_encode::encodes(record.textureFormat()))
      return kit_messages::cannotEncode(record.textureFormat());
    png_file::ReadFailure failure;
    // A picture is decoded whole in any case.
    const std::optional<texture_decode::Image> image = png_file::read(bytes.bytes(0, bytes.size()), failure);
    if (!image) return kit_messages::pictureUnreadable(failure.reason);
    if (image->width != record.width() || image->height != record.height())
      return kit_messages::pictureSize(image->width, image->height, record.width(), record.height());
    return std::nullopt;
  }

  // The expected file that the name misses only by letter case, extension or numbering.
  std::wstring nearestName(const std::wstring& file) const {
    const std::wstring stem = stemOf(file);
    const std::wstring extension = file.substr(stem.size());
    for (const auto& [lookup, expected] : expected_) {
      if (windows_names::foldedCase(expected.file) == windows_names::foldedCase(file))
        return L"（名称只差大小写：" + expected.file + L"）";
    }
    for (const auto& [lookup, expected] : expected_) {
      if (stemOf(expected.file) == stem) return L"（只差扩展名：" + expected.file + L"）";
    }
    for (const auto& [lookup, expected] : expected_) {
      const std::wstring otherStem = stemOf(expected.file);
      if (expected.file.substr(otherStem.size()) == extension && unnumbered(otherStem) == unnumbered(stem)) {
        return L"（只差编号：" + expected.file + L"）";
      }
    }
    return {};
  }

  void problem(const std::wstring& file, const std::wstring& why) {
    ++problems_;
    print_(file + L"：" + why);
  }

  KitAsset& asset_;
  const UnpackFolder& folder_;
  const LinePrinter& print_;
  std::map<std::wstring, Expected> expected_;
  int problems_ = 0;
};

}  // namespace

std::optional<FileCheck> checkReplacementFiles(const std::wstring& assetPath, const std::wstring& folderPath,
                                               const ClassIdTable& classes, const LinePrinter& print) {
  KitAsset asset;
  if (!asset.load(assetPath, print)) return std::nullopt;
  UnpackFolder folder = UnpackFolder::named(folderPath);
  if (!platform::pathExists(folder.path())) {
    print(std::wstring(kit_messages::kFolderMissing) + folder.path());
    return FileCheck{0, 1};
  }
  Checker checker(asset, folder, print);
  asset.forEachObject(classes, folder, [&](const ReplacementName& replacement, const ObjectInfo& info) {
    checker.expect(replacement, info);
  });
  const std::size_t files = checker.checkFiles();
  return FileCheck{files, checker.problems()};
}

int checkFolder(const CheckOptions& options, const ClassIdTable& classes, const LinePrinter& print) {
  const UnpackFolder folder = unpackFolderFor(options.assetPath, options.folder);
  const std::optional<FileCheck> files =
      checkReplacementFiles(options.assetPath, folder.path(), classes, print);
  if (!files) return 2;
  if (!platform::pathExists(folder.path())) return 1;
  const translation::Characters characters =
      translationCharacters(options.text.value_or(folder.path()), print);
  const int problems = files->problems + checkFonts(folder.path(), {}, characters, print);
  print(L"检查完成：" + std::to_wstring(files->files) + L" 个文件，" + std::to_wstring(problems) +
        L" 处问题。");
  return problems == 0 ? 0 : 1;
}
