#pragma once

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

// The asset file is refused before anything is written to it.
inline constexpr std::wstring_view kCannotOpen = L"无法读写文件！";
inline constexpr std::wstring_view kDamaged = L"文件已损坏，未作修改！";
inline constexpr std::wstring_view kTooLarge = L"文件过大，未作修改！";
inline constexpr std::wstring_view kTypeTreesUnsupported = L"不支持带类型树的文件，未作修改！";
inline constexpr std::wstring_view kWriteFailed = L"写入文件出错！";

}  // namespace messages
