#pragma once

// The installer's fixed texts.
namespace texts {

inline constexpr wchar_t kWindowTitle[] = L"《Cindermoor》A13.5_x64简体中文汉化补丁";
inline constexpr wchar_t kStatusReady[] = L"准备就绪";
inline constexpr wchar_t kUninstallLabel[] = L"卸载";
inline constexpr wchar_t kMarkerFile[] = L"Cindermoor.h";

// The publisher: its page opens whenever the dialog closes, its name captions the final message.
inline constexpr wchar_t kPublisherName[] = L"灰沼汉化组";
inline constexpr wchar_t kPublisherPage[] = L"https://cindermoor-cn.example.org/";

}  // namespace texts
