#pragma once

#include <string_view>

#include "files/WholeFile.h"
#include "fonts/FontSubset.h"
#include "names/WindowsNames.h"
#include "serialized/SerializedFile.h"

// Every line cmkit prints, in the voice of qmx's.
namespace kit_messages {

inline constexpr std::wstring_view kUsage[] = {
    L"用法：",
    L"  cmkit list 资源文件",
    L"      列出每个对象：PathID、类、名称、字节数，以及 qmx 会查找的替换文件（或不能替换的原因）。",
    L"  cmkit export 资源文件 [文件夹] [--force] [--png]",
    L"      把可替换的对象导出为 qmx 能找回的替换文件；默认导出到资源文件旁的 _unpak 文件夹，",
    L"      文件夹不为空时须加 --force。加 --png 时纹理导出为可编辑的 PNG 图片（顶层，从上到下）。",
    L"  cmkit encode 资源文件 [文件夹]",
    L"      把文件夹里代替 .dds 的每个 PNG 图片编码为该纹理自己格式与尺寸的 .dds（含全部 mip 层），",
    L"      PNG 保留。",
    L"  cmkit check 资源文件 [文件夹] [--text 译文]",
    L"      不写入任何文件，检查 qmx -i 会怎样处理文件夹里的每个文件：替换哪个对象，或为何跳过；",
    L"      并检查每个替换字体是否含有译文的全部字符（译文：文本文件，或其中 .txt、.xml 文件的文件夹；",
    L"      默认取替换文件夹里的文本文件）。",
    L"  cmkit font 字体 [--index 序号] [--text 译文] -o 输出.ttf",
    L"      把字体（TrueType、OpenType 或 .ttc 集合中第 --index 个，默认 0）裁剪为只含译文字符与可打印 ASCII",
    L"      字符的单个字体，保留字体名与所需的轮廓和微调；译文的取法与 check 相同。",
    L"  cmkit pack 补丁文件夹 [-o 安装程序.exe] [--game 游戏文件夹] [--cmpatch cmpatch.exe] [--qmx qmx.exe]",
    L"      把与游戏文件夹同样布局的补丁文件夹打成安装程序（默认 cmpatch.exe，写在当前文件夹）；",
    L"      给出游戏文件夹时，先像 check 一样检查每个替换文件夹。安装程序模板与 qmx.exe 默认取本程序旁的。",
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
inline constexpr std::wstring_view kExportOutOfMemory = L"（内存不足）";
inline constexpr std::wstring_view kNoDdsFormat = L"（此纹理格式无法存为 DDS）";
inline constexpr std::wstring_view kPngNotWritten = L"（无法生成 PNG 图片）";
inline constexpr std::wstring_view kResourceMissing = L"（找不到存放像素的资源文件）";

// Objects that hold nothing a file could carry; they follow kNothingToExport and the object.
inline constexpr std::wstring_view kNoPixels = L"（纹理没有像素，例如动态字体的字符图集，由游戏运行时生成）";
inline constexpr std::wstring_view kNoFontData = L"（字体不含字体数据，只引用系统字体）";

// cmkit pack: why a patch would not install, each followed by what it names.
inline constexpr std::wstring_view kPatchMissing = L"找不到补丁文件夹：";
inline constexpr std::wstring_view kPatchUnreadable = L"补丁文件夹无法完整读取：";
inline constexpr std::wstring_view kPatchEmpty = L"补丁文件夹里没有文件：";
inline constexpr std::wstring_view kNotRegularFile = L"不是普通文件，无法打包：";
inline constexpr std::wstring_view kNotAnEntryName = L"名称在 Windows 上不能用作文件名";
inline constexpr std::wstring_view kNotGbk = L"名称含有 GBK 编码无法表示的字符：";
inline constexpr std::wstring_view kEntryNameTooLong = L"名称过长，安装程序最多读取 259 字节（GBK）：";
inline constexpr std::wstring_view kFileTooLarge = L"文件达到 4 GiB，安装程序无法解压：";
inline constexpr std::wstring_view kReservedEntry = L"补丁不能包含此文件（由打包生成，或是卸载标记）：";
inline constexpr std::wstring_view kTooManyEntries = L"条目过多，安装程序最多 65535 个：";
inline constexpr std::wstring_view kUnpackedFolderMisplaced =
    L"替换文件夹不在 Cindermoor_Data 文件夹里，旁边不会有资源文件：";
inline constexpr std::wstring_view kNoAssetFile = L"游戏文件夹里没有与替换文件夹对应的资源文件：";
inline constexpr std::wstring_view kSeveralAssetFiles = L"游戏文件夹里有不止一个资源文件对应此替换文件夹：";
inline constexpr std::wstring_view kPercentInBatch = L"路径含有“%”，批处理无法表示：";
inline constexpr std::wstring_view kAssetAssumed = L"：未给出 --game，按引擎的命名对应资源文件 ";
inline constexpr std::wstring_view kChecking = L"检查替换文件夹：";
inline constexpr std::wstring_view kNotPacked = L"未生成安装程序。";
inline constexpr std::wstring_view kCheckFailed = L"检查未通过，未生成安装程序：";
inline constexpr std::wstring_view kProgramMissing = L"找不到 Windows 程序：";
inline constexpr std::wstring_view kOutputRefused = L"安装程序不能写在补丁文件夹里，也不能覆盖安装程序模板：";
inline constexpr std::wstring_view kInstallerNotWritten = L"无法写入安装程序，未生成：";
inline constexpr std::wstring_view kArchiveTooLarge = L"安装包超过 2 GiB，Windows 程序容纳不下：";
inline constexpr std::wstring_view kNotText = L"不是 UTF-8 或带字节序标记的 UTF-16 文本，未计入译文字符：";

// The font check: characters of the translation that a font has no glyph for.
inline constexpr std::wstring_view kFontUnreadable = L"：字体文件无法读取，无法检查字符";
inline constexpr std::wstring_view kFontOutOfMemory = L"：内存不足，无法检查字符";
inline constexpr std::wstring_view kPackOutOfMemory = L"内存不足，无法打包：";

inline constexpr std::wstring_view kNotExported = L"未导出：";
inline constexpr std::wstring_view kPicturesNeedGame =
    L"补丁里有 PNG 图片，须用 --game 指明游戏文件夹，才能按纹理的格式和尺寸编码：";
inline constexpr std::wstring_view kExported = L"已导出：";
inline constexpr std::wstring_view kNothingToExport = L"无可导出：";

// Why an object has no known layout: the file's own type tree of it is not one the records can use,
// or the file's engine release (its version text as stored) is not in the table.
std::wstring layoutUnknown(bool fileHasTypeTrees, std::string_view engineVersion);

// A texture format whose pixels the kit cannot decode (the mobile formats): it is named.
std::wstring cannotDecode(std::int32_t textureFormat);

// encode: each picture encoded or not, then the summary. The reasons a picture does not fit its
// texture are bare, for check's lines; encode puts them in brackets.
inline constexpr std::wstring_view kEncoded = L"已编码：";
inline constexpr std::wstring_view kNotEncoded = L"未编码：";
std::wstring encodeSummary(int encoded, int notEncoded);
std::wstring pictureUnreadable(const std::string& reason);
std::wstring pictureSize(std::int32_t width, std::int32_t height, std::int32_t textureWidth,
                         std::int32_t textureHeight);
std::wstring cannotEncode(std::int32_t textureFormat);

// font: what was cut, or why nothing was written.
inline constexpr std::wstring_view kAsciiOnly = L"未给出译文（--text），字体只保留可打印的 ASCII 字符。";
inline constexpr std::wstring_view kFontNotReadForCutting = L"无法读取字体，未生成：";
inline constexpr std::wstring_view kFontCutOutOfMemory = L"内存不足，未生成：";
std::wstring fontNotCut(fonts::SubsetFailure failure, unsigned faces, unsigned index,
                        const std::wstring& font);
std::wstring fontLacks(const std::u32string& missing);
std::wstring fontCut(const std::wstring& output, std::size_t before, std::size_t after,
                     std::size_t characters);

// A .rect file that is not a count and that many rectangles of the release's length (0 when the
// length varies).
std::wstring rectsMalformed(std::uint32_t rectLength);

// "<reason> the asset file cannot be read"
std::wstring_view unreadableAsset(LoadStatus status);
// Why a name cannot be a file's name on Windows.
std::wstring_view nameProblem(windows_names::Problem problem);
// "<font>：缺少 n 个字符，游戏里会显示为方框：<characters>"
std::wstring fontMissing(const std::wstring& font, std::size_t count, const std::wstring& characters);
// "已生成安装程序：<path>（安装包 n 个条目，a 字节；卸载包 wchar.txt 含 m 个字符）"
std::wstring packed(const std::wstring& path, std::size_t entries, std::uintmax_t archiveBytes,
                    std::size_t characters);
// "完成！导出 n 个文件，m 个对象未导出。", and "k 个对象无可导出" before the stop when there are such.
std::wstring exportSummary(int written, int skipped, int empty);
// "（<step>：<path>，<the system's reason>）": why a file was not written, and nothing of it is left.
std::wstring notWritten(const std::wstring& path, const kit_files::WriteFailure& failure);
// The system's reason in a few words; empty when there is none.
std::wstring systemReason(const std::error_code& error);

}  // namespace kit_messages
