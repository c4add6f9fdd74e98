#include "GameAssets.h"

#include <array>
#include <new>

#include "FontNames.h"
#include "codecs/FontRecord.h"
#include "codecs/LayoutSource.h"
#include "codecs/TextAssetRecord.h"
#include "codecs/Texture2DRecord.h"
#include "platform/Platform.h"
#include "serialized/SerializedFile.h"
#include "text/UnicodeText.h"

namespace game {
namespace {

// The engine's class IDs of the objects read.
constexpr std::int32_t kTextureClass = 28;
constexpr std::int32_t kTextAssetClass = 49;
constexpr std::int32_t kFontClass = 128;

// Longer than any name looked for, so that a longer name cut to this length never matches one.
constexpr std::size_t kNameBytesRead = 256;

constexpr std::wstring_view kCannotRead = L"无法读取游戏数据 / cannot read the game data: ";

std::wstring line(std::wstring_view subject, std::wstring_view reason) {
  return std::wstring(kCannotRead) + std::wstring(subject) + L" (" + std::wstring(reason) + L")";
}

std::optional<std::wstring> wideFromUtf8(std::string_view bytes) {
  const std::optional<std::u32string> text =
      unicode::fromUtf8({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  if (!text) return std::nullopt;
  return unicode::toWide(*text);
}

std::wstring wideName(std::string_view name) {
  if (auto text = wideFromUtf8(name)) return *text;
  std::wstring shown;
  for (char c : name) shown += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?';
  return shown;
}

std::wstring subject(std::wstring_view className, std::string_view name) {
  return std::wstring(className) + L" " + wideName(name);
}

std::wstring_view loadReason(LoadStatus status) {
  switch (status) {
    case LoadStatus::CannotOpen:
      return L"无法打开 / cannot be opened";
    case LoadStatus::VersionUnsupported:
    case LoadStatus::TypeTreesUnsupported:
      return L"不支持的文件版本 / unsupported file version";
    case LoadStatus::OutOfMemory:
      return L"内存不足 / out of memory";
    case LoadStatus::TooLarge:
    case LoadStatus::Damaged:
    case LoadStatus::Loaded:
      break;
  }
  return L"文件有误 / damaged file";
}

struct Asset {
  std::wstring path;
  SerializedFile file;
};

struct Found {
  Asset* asset = nullptr;
  ObjectInfo info;
  std::string name;
};

// A failure to report: reading stops at the first one.
struct Failure {
  std::wstring line;
};

class Reader {
 public:
  explicit Reader(const std::wstring& gameFolder) : folder_(gameFolder) {}

  LoadingScreen read() {
    open(assets_[0], kSharedAssets);
    open(assets_[1], kResources);
    LoadingScreen screen;
    screen.picture = picture();
    screen.tip = tip();
    readFont(screen);
    return screen;
  }

 private:
  void open(Asset& asset, std::wstring_view relative) {
    asset.path = folder_ + platform::kPathSeparator + std::wstring(relative);
    const LoadStatus status = asset.file.loadReadOnly(asset.path);
    if (status != LoadStatus::Loaded) throw Failure{line(relative, loadReason(status))};
  }

  template <typename Matches>
  std::optional<Found> find(std::int32_t classId, const Matches& matches) {
    for (Asset& asset : assets_) {
      for (const auto& [key, info] : asset.file.objects().entries()) {
        if (info.classId != classId) continue;
        const std::optional<std::string> name = asset.file.readObjectName(info, kNameBytesRead);
        if (name && matches(*name)) return Found{&asset, info, *name};
      }
    }
    return std::nullopt;
  }

  Found findNamed(std::int32_t classId, std::wstring_view className, std::string_view name) {
    std::optional<Found> found = find(classId, [name](const std::string& n) { return n == name; });
    if (!found) throw Failure{line(subject(className, name), L"未找到 / not found")};
    return *found;
  }

  // The object read through its layout.
  template <typename Record>
  static Record recordOf(Found& found, const std::wstring& what) {
    const std::optional<fields::ObjectLayout> layout = objectLayout(found.asset->file, found.info);
    if (!layout) throw Failure{line(what, kLayoutUnknown)};
    Record record;
    if (!record.parse(found.asset->file.readObjectBytes(found.info), *layout))
      throw Failure{line(what, kDamaged)};
    return record;
  }

  Picture picture() {
    std::optional<Found> found =
        find(kTextureClass, [](const std::string& n) { return n == kLoadingScreen; });
    if (!found) {
      found = find(kTextureClass, [](const std::string& n) { return n.starts_with(kLoadingScreenPrefix); });
    }
    if (!found) throw Failure{line(subject(L"Texture2D", kLoadingScreen), L"未找到 / not found")};
    const std::wstring what = subject(L"Texture2D", found->name);
    const auto record = recordOf<Texture2DRecord>(*found, what);
    const std::optional<std::vector<std::uint8_t>> pixels = record.pixels(found->asset->path);
    if (!pixels) throw Failure{line(what, L"像素文件无法读取 / the pixel file cannot be read")};
    DecodedTexture decoded = decodeTopLevel(record.textureFormat(), record.width(), record.height(), *pixels);
    switch (decoded.status) {
      case DecodeStatus::Decoded:
        return std::move(decoded.picture);
      case DecodeStatus::FormatUnsupported: {
        const std::wstring format = std::to_wstring(record.textureFormat());
        throw Failure{
            line(what, L"不支持的纹理格式 " + format + L" / texture format " + format + L" not supported")};
      }
      case DecodeStatus::SizeInvalid: {
        const std::wstring size = std::to_wstring(record.width()) + L"x" + std::to_wstring(record.height());
        throw Failure{line(what, L"尺寸无效 " + size + L" / invalid size " + size)};
      }
      case DecodeStatus::DataShort:
        break;
    }
    throw Failure{line(what, L"图像数据不足 / image data too short")};
  }

  std::wstring tip() {
    Found found = findNamed(kTextAssetClass, L"TextAsset", kLocalization);
    const std::wstring what = subject(L"TextAsset", found.name);
    const std::vector<std::uint8_t> script = recordOf<TextAssetRecord>(found, what).script();
    const std::optional<std::string> text =
        tipOfTable(std::string_view(reinterpret_cast<const char*>(script.data()), script.size()));
    if (!text || text->empty()) throw Failure{line(what, L"没有提示文字 / no tip text")};
    std::optional<std::wstring> wide = wideFromUtf8(*text);
    if (!wide) throw Failure{line(what, L"不是 UTF-8 文本 / not UTF-8 text")};
    return std::move(*wide);
  }

  void readFont(LoadingScreen& screen) {
    Found found = findNamed(kFontClass, L"Font", kTipFont);
    const std::wstring what = subject(L"Font", found.name);
    const std::vector<std::uint8_t> fontData = recordOf<FontRecord>(found, what).fontData();
    if (fontData.empty()) throw Failure{line(what, L"没有字体数据 / no font data")};
    screen.fontFamilies = fontFamilyNames(fontData);
    if (screen.fontFamilies.empty()) {
      throw Failure{line(what, L"不是带字体名的 TrueType 字体 / not a TrueType font with a family name")};
    }
    screen.fontData = fontData;
  }

  static constexpr std::wstring_view kLayoutUnknown = L"未知的对象布局 / unknown object layout";
  static constexpr std::wstring_view kDamaged = L"对象数据有误 / damaged object data";

  std::wstring folder_;
  std::array<Asset, 2> assets_;
};

// A comma-separated table read record by record; a quoted field may hold commas, doubled quotes
// and line ends.
class TableRecords {
 public:
  explicit TableRecords(std::string_view table) : table_(table) {
    if (table_.starts_with("\xEF\xBB\xBF")) table_.remove_prefix(3);
  }

  std::optional<std::vector<std::string>> next() {
    if (at_ >= table_.size()) return std::nullopt;
    std::vector<std::string> fields(1);
    bool quoted = false;
    while (at_ < table_.size()) {
      const char c = table_[at_++];
      if (quoted) {
        if (c != '"') {
          fields.back() += c;
        } else if (at_ < table_.size() && table_[at_] == '"') {
          fields.back() += '"';
          ++at_;
        } else {
          quoted = false;
        }
      } else if (c == '"' && fields.back().empty()) {
        quoted = true;
      } else if (c == ',') {
        fields.emplace_back();
      } else if (c == '\n') {
        break;
      } else if (c != '\r' || (at_ < table_.size() && table_[at_] != '\n')) {
        fields.back() += c;
      }
    }
    return fields;
  }

 private:
  std::string_view table_;
  std::size_t at_ = 0;
};

}  // namespace

ScreenContent loadScreenContent(const std::wstring& gameFolder) {
  ScreenContent content;
  try {
    content.screen = Reader(gameFolder).read();
  } catch (const Failure& failure) {
    content.failure = failure.line;
  } catch (const std::bad_alloc&) {
    content.failure = std::wstring(kCannotRead) + L"内存不足 / out of memory";
  }
  return content;
}

std::wstring fontLoadFailure() {
  return L"无法载入字体 / cannot load the font: Font " + wideName(kTipFont);
}

std::optional<std::string> tipOfTable(std::string_view table) {
  TableRecords records(table);
  std::optional<std::string> firstTip;
  while (std::optional<std::vector<std::string>> fields = records.next()) {
    const std::string& key = fields->front();
    if (!key.starts_with("tip.")) continue;
    std::string text = fields->size() >= 2 ? fields->back() : std::string();
    if (key == "tip.0") return text;
    if (!firstTip) firstTip = std::move(text);
  }
  return firstTip;
}

}  // namespace game
