#pragma once

#include <string_view>

#include "names/WindowsNames.h"
#include "serialized/SerializedFile.h"

// Every line cmkit prints, in the voice of qmx's.
namespace kit_messages {

inline constexpr std::wstring_view kUsage[] = {
    L"用法：",
    L"  cmkit list 资源文件",
    L"      列出每个对象：PathID、类、名称、字节数，以及 qmx 会查找的替换文件（或不能替换的原因）。",
    L"  cmkit export 资源文件 [文件夹] [--force]",
    L"      把可替换的对象导出为 qmx 能找回的替换文件；默认导出到资源文件旁的 _unpak 文件夹，",
    L"      文件夹不为空时须加 --force。",
    L"  cmkit check 资源文件 [文件夹]",
    L"      不写入任何文件，检查 qmx -i 会怎样处理文件夹里的每个文件：替换哪个对象，或为何跳过。",
    L"  cmkit --help",
    L"      显示本说明。",
};

inline constexpr std::wstring_view kWrongArguments = L"参数错误，用 cmkit --help 查看用法";
inline constexpr std::wstring_view kFolderNotEmpty = L"导出文件夹不是空的，未导出（加 --force 覆盖）：";
inline constexpr std::wstring_view kFolderNotCreated = L"无法创建文件夹：";
inline constexpr std::wstring_view kFolderMissing = L"找不到替换文件夹，qmx 不会替换任何对象：";

// Why an object takes no replacement, or is not exported. Each follows the object's description.
inline constexpr std::wstring_view kNotHandled = L"（不替换此类对象）";
inline constexpr std::wstring_view kNameUnreadable = L"（名称无法读取）";
inline constexpr std::wstring_view kLeavesFolder = L"（名称会离开类文件夹，qmx 不会查找）";
inline constexpr std::wstring_view kLayoutUnknown = L"（未知的对象布局）";
inline constexpr std::wstring_view kDataDamaged = L"（对象数据有误）";
inline constexpr std::wstring_view kNoDdsFormat = L"（此纹理格式无法存为 DDS）";
inline constexpr std::wstring_view kResourceMissing = L"（找不到存放像素的资源文件）";
inline constexpr std::wstring_view kNoFontData = L"（字体不含字体数据）";
inline constexpr std::wstring_view kNotWritten = L"（文件无法写入）";

inline constexpr std::wstring_view kNotExported = L"未导出：";
inline constexpr std::wstring_view kExported = L"已导出：";

// "<reason> the asset file cannot be read"
std::wstring_view unreadableAsset(LoadStatus status);
// Why a name cannot be a file's name on Windows.
std::wstring_view nameProblem(windows_names::Problem problem);
// "完成！导出 n 个文件，m 个对象未导出。"
std::wstring exportSummary(int written, int skipped);

}  // namespace kit_messages
