#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every line qmx prints, one per message.
namespace messages {

inline constexpr std::wstring_view kWrongArgumentCount = L"参数错误...";
inline constexpr std::wstring_view kWrongOption = L"参数错误";
inline constexpr std::wstring_view kWrongModeNumber = L"输入错误";
inline constexpr std::wstring_view kFileMissing = L"文件不存在！";
inline constexpr std::wstring_view kRepackStarted = L"正在重新打包！请不要关闭本窗口！";
inline constexpr std::wstring_view kDone = L"完成！";
inline constexpr std::wstring_view kVersionBelow9 = L"版本小于9";
inline constexpr std::wstring_view kClassTableMissing = L"载入数据库出错";

// One object is left as it was; the run goes on. Each is followed by the object's description.
inline constexpr std::wstring_view kObjectDataDamaged = L"对象数据有误，未替换：";
inline constexpr std::wstring_view kReplacementUnreadable = L"替换文件无法读取，未替换：";
// The object's class is not laid out in a way known for the file's engine release.
inline constexpr std::wstring_view kLayoutUnknown = L"未知的对象布局，未替换：";
// A .rect file that is not a count of 0 or more and that many 44-byte rectangles.
inline constexpr std::wstring_view kCharacterRectsMalformed = L"字符矩形文件有误，未替换：";
inline constexpr std::wstring_view kOutOfMemory = L"内存不足，未替换：";
inline constexpr std::wstring_view kFileWouldBeTooLarge = L"替换后文件过大，未替换：";

// The asset file is refused before anything is written to it.
inline constexpr std::wstring_view kCannotOpen = L"无法读写文件！";
inline constexpr std::wstring_view kDamaged = L"文件已损坏，未作修改！";
inline constexpr std::wstring_view kTooLarge = L"文件过大，未作修改！";
inline constexpr std::wstring_view kTypeTreesUnsupported = L"不支持带类型树的文件，未作修改！";
inline constexpr std::wstring_view kVersionUnsupported = L"不支持此文件版本，未作修改！";
inline constexpr std::wstring_view kMetadataOutOfMemory = L"内存不足，无法读取文件，未作修改！";
inline constexpr std::wstring_view kWriteFailed = L"写入文件出错！";

// "Texture2D <name>: Unsupported texture format <number>"
std::wstring unsupportedTextureFormat(std::wstring_view name, std::int32_t textureFormat);

}  // namespace messages
