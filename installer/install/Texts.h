#pragma once

// The installer's fixed texts.
namespace texts {

inline constexpr wchar_t kWindowTitle[] = L"《Cindermoor》A13.5_x64简体中文汉化补丁";
inline constexpr wchar_t kStatusReady[] = L"准备就绪";
inline constexpr wchar_t kUninstallLabel[] = L"卸载";
inline constexpr wchar_t kMarkerFile[] = L"Cindermoor.h";

inline constexpr wchar_t kGameExe[] = L"Cindermoor.exe";
inline constexpr wchar_t kBatchFile[] = L".\\Cindermoor_Data\\qmx.bat";
inline constexpr wchar_t kInstallMode[] = L"安装";
inline constexpr wchar_t kUninstallMode[] = L"卸载";

inline constexpr wchar_t kCaptionError[] = L"错误";
inline constexpr wchar_t kCaptionFailed[] = L"汉化失败";
inline constexpr wchar_t kStatusFailed[] = L"安装失败!";
inline constexpr wchar_t kStatusPreparing[] = L"正在准备数据,请耐心等待!";
inline constexpr wchar_t kStatusProgress[] = L"当前进度";
inline constexpr wchar_t kNotInGameFolder[] = L"请将本程序放到游戏主目录下运行!";
inline constexpr wchar_t kArchiveUnopenable[] =
    L"打开文件失败！\r\n可能是您的[临时文件目录]所在分区没有足够空间！";
inline constexpr wchar_t kEntryUnreadable[] = L"解压文件错误";
inline constexpr wchar_t kTargetLocked[] = L"安装失败! \n请确认游戏进程是否处于打开状态!!";
// A game file whose new copy could not be written in full (a full drive): the old file stays.
inline constexpr wchar_t kTargetUnwritable[] =
    L"安装失败! \n写入游戏文件出错，请确认游戏所在分区有足够空间!!";
// The two resource messages are narrow GBK texts in narrow message boxes.
inline constexpr char kResourceMissing[] = "\xce\xb4\xd5\xd2\xb5\xbd\xd7\xca\xd4\xb4!";  // 未找到资源!
inline constexpr char kResourceUnloadable[] =
    "\xbc\xd3\xd4\xd8\xd7\xca\xd4\xb4\xb4\xed\xce\xf3!";  // 加载资源错误!

inline constexpr wchar_t kShortcutQuestion[] = L"是否在桌面创建游戏的快捷方式？";
inline constexpr wchar_t kShortcutCaption[] = L"创建快捷方式";
inline constexpr wchar_t kShortcutName[] = L"Cindermoor";

// Follows the window title and the mode word in the final message.
inline constexpr wchar_t kFinalText[] =
    L"成功!\n\n"
    L"【汉化人员名单】\n"
    L"监制：灰沼\n"
    L"技术：炉火\n"
    L"翻译：荒原行者、夜雾、石冢\n"
    L"校对：余烬、青苔\n"
    L"封包：炉火\n\n"
    L"【汉化说明】\n"
    L"本补丁汉化了游戏界面、世界说明与载入画面，并替换了中文字体。\n"
    L"卸载只删除标记文件与桌面快捷方式，不会还原已替换的文件；如需还原，请校验游戏文件。\n\n"
    L"【免责声明】\n"
    L"本补丁为爱好者免费制作，仅供交流学习，请勿用于商业用途。\n"
    L"使用本补丁造成的任何问题与汉化组无关，请在安装前备份存档。\n\n";

// The publisher: its page opens whenever the dialog closes, its name captions the final message.
inline constexpr wchar_t kPublisherName[] = L"灰沼汉化组";
inline constexpr wchar_t kPublisherPage[] = L"https://cindermoor-cn.example.org/";
// The shortcut's description: a narrow GBK text, turned wide with the thread's code page.
inline constexpr char kCreditLine[] =
    "\xbb\xd2\xd5\xd3\xba\xba\xbb\xaf\xd7\xe9 \xc8\xd9\xd3\xfe\xb3\xf6\xc6\xb7";  // 灰沼汉化组 荣誉出品

}  // namespace texts
