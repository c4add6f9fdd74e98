#include "app/KitMessages.h"

#include <string>

#include "platform/Platform.h"
#include "text/UnicodeText.h"

namespace kit_messages {

std::wstring_view unreadableAsset(LoadStatus status) {
  switch (status) {
    case LoadStatus::CannotOpen:
      return L"无法读取资源文件！";
    case LoadStatus::TooLarge:
      return L"资源文件过大，无法读取！";
    case LoadStatus::TypeTreesUnsupported:
      return L"不支持带类型树的文件！";
    case LoadStatus::VersionUnsupported:
      return L"不支持此文件版本！";
    case LoadStatus::OutOfMemory:
      return L"内存不足，无法读取资源文件！";
    case LoadStatus::Damaged:
    case LoadStatus::Loaded:
      break;
  }
  return L"资源文件已损坏！";
}

std::wstring_view nameProblem(windows_names::Problem problem) {
  using windows_names::Problem;
  switch (problem) {
    case Problem::Empty:
      return L"（名称为空，无法作为文件名）";
    case Problem::DotName:
      return L"（名称是“.”或“..”，无法作为文件名）";
    case Problem::Separator:
      return L"（名称含有路径分隔符，无法作为文件名）";
    case Problem::Device:
      return L"（名称是设备名，无法作为文件名）";
    case Problem::Character:
      return L"（名称含有文件名不能容纳的字符）";
    case Problem::TrailingDotOrBlank:
      return L"（名称以点或空格结尾，无法作为文件名）";
    case Problem::TooLong:
      return L"（名称过长，无法作为文件名）";
    case Problem::None:
      break;
  }
  return {};
}

std::wstring layoutUnknown(bool fileHasTypeTrees, std::string_view engineVersion) {
  if (fileHasTypeTrees) return L"（未知的对象布局：文件自带的类型树不可用）";
  if (engineVersion.empty()) return L"（未知的对象布局：文件没有写明引擎版本）";
  return L"（未知的对象布局：布局表中没有引擎版本 " + platform::toWide(engineVersion) +
         L"，可能比布局表新，或是未收录的测试版）";
}

std::wstring cannotDecode(std::int32_t textureFormat) {
  return L"（无法解码纹理格式 " + std::to_wstring(textureFormat) + L"）";
}

std::wstring encodeSummary(int encoded, int notEncoded) {
  return L"完成！编码 " + std::to_wstring(encoded) + L" 个图片，" + std::to_wstring(notEncoded) +
         L" 个未编码。";
}

std::wstring pictureUnreadable(const std::string& reason) {
  return L"不是可读的 PNG 图片：" + platform::toWide(reason);
}

std::wstring pictureSize(std::int32_t width, std::int32_t height, std::int32_t textureWidth,
                         std::int32_t textureHeight) {
  return L"图片为 " + std::to_wstring(width) + L"×" + std::to_wstring(height) + L"，纹理为 " +
         std::to_wstring(textureWidth) + L"×" + std::to_wstring(textureHeight) + L"，尺寸须相同";
}

std::wstring cannotEncode(std::int32_t textureFormat) {
  return L"qmx 不导入纹理格式 " + std::to_wstring(textureFormat) + L"，无法编码";
}

std::wstring fontNotCut(fonts::SubsetFailure failure, unsigned faces, unsigned index,
                        const std::wstring& font) {
  switch (failure) {
    case fonts::SubsetFailure::NoSuchFace:
      return L"字体集合只有 " + std::to_wstring(faces) + L" 个字体，没有 --index " + std::to_wstring(index) +
             L"，未生成：" + font;
    case fonts::SubsetFailure::NotSubsetted:
      return L"无法裁剪字体，未生成：" + font;
    case fonts::SubsetFailure::Unreadable:
      break;
  }
  return std::wstring(kFontNotReadForCutting) + font;
}

std::wstring fontLacks(const std::u32string& missing) {
  return L"字体缺少译文的 " + std::to_wstring(missing.size()) + L" 个字符，未生成：" +
         unicode::toWide(missing);
}

std::wstring fontCut(const std::wstring& output, std::size_t before, std::size_t after,
                     std::size_t characters) {
  return L"已生成：" + output + L"（" + std::to_wstring(characters) + L" 个字符，" + std::to_wstring(before) +
         L" 字节 → " + std::to_wstring(after) + L" 字节）";
}

std::wstring rectsMalformed(std::uint32_t rectLength) {
  if (rectLength == 0) return L"字符矩形文件长度有误";
  return L"字符矩形文件长度有误：应为 4 + " + std::to_wstring(rectLength) + L" × 个数 字节";
}

std::wstring exportSummary(int written, int skipped, int empty) {
  std::wstring line =
      L"完成！导出 " + std::to_wstring(written) + L" 个文件，" + std::to_wstring(skipped) + L" 个对象未导出";
  if (empty > 0) line += L"，" + std::to_wstring(empty) + L" 个对象无可导出";
  return line + L"。";
}

std::wstring notWritten(const std::wstring& path, const kit_files::WriteFailure& failure) {
  using Step = kit_files::WriteFailure::Step;
  std::wstring line = L"（";
  switch (failure.step) {
    case Step::CreateFolder:
      line += L"无法创建所在的文件夹";
      break;
    case Step::CreateFile:
      line += L"无法创建文件";
      break;
    case Step::Write:
      line += L"写入文件出错";
      break;
    case Step::Replace:
      line += L"无法用写好的文件替换原有文件";
      break;
  }
  line += L"：" + path;
  if (const std::wstring reason = systemReason(failure.error); !reason.empty()) line += L"，" + reason;
  return line + L"）";
}

std::wstring systemReason(const std::error_code& error) {
  if (!error) return {};
  if (error == std::errc::no_space_on_device) return L"磁盘空间不足";
  if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
    return L"没有写入权限";
  if (error == std::errc::read_only_file_system) return L"磁盘是只读的";
  if (error == std::errc::filename_too_long) return L"路径过长";
  if (error == std::errc::file_exists || error == std::errc::not_a_directory) return L"路径上已有同名的文件";
  if (error == std::errc::io_error) return L"磁盘读写出错";
  // Anything else in the system's own words.
  return platform::toWide(error.message());
}

std::wstring fontMissing(const std::wstring& font, std::size_t count, const std::wstring& characters) {
  return font + L"：缺少 " + std::to_wstring(count) + L" 个字符，游戏里会显示为方框：" + characters;
}

std::wstring packed(const std::wstring& path, std::size_t entries, std::uintmax_t archiveBytes,
                    std::size_t characters) {
  return L"已生成安装程序：" + path + L"（安装包 " + std::to_wstring(entries) + L" 个条目，" +
         std::to_wstring(archiveBytes) + L" 字节；卸载包 wchar.txt 含 " + std::to_wstring(characters) +
         L" 个字符）";
}

}  // namespace kit_messages
