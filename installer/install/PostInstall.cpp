#include "install/PostInstall.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "framework/ComPtr.h"
#include "framework/Handle.h"
#include "install/TextConversion.h"
#include "install/Texts.h"

void RunAndWait(const wchar_t* file, const wchar_t* parameters, int showCommand) {
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // No error box when the file is missing (an uninstall finds no batch): nothing here is reported.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpFile = file;
  execute.lpParameters = parameters;
  execute.nShow = showCommand;
  ::ShellExecuteExW(&execute);
  const fw::CHandle process(execute.hProcess);
  if (process) ::WaitForSingleObject(process, INFINITE);
}

bool CreateShortcut(const std::wstring& target, const std::wstring& linkPath, const std::wstring& description,
                    const std::wstring& iconPath) {
  ::CoInitialize(nullptr);
  bool created = false;
  {
    fw::CComPtr<IShellLinkW> link;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link)))) {
      link->SetPath(target.c_str());
      const std::size_t slash = target.rfind(L'\\');
      link->SetWorkingDirectory(slash == std::wstring::npos ? L"" : target.substr(0, slash).c_str());
      link->SetDescription(description.c_str());
      link->SetIconLocation(iconPath.c_str(), 0);
      fw::CComPtr<IPersistFile> file;
      if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        file->Save(linkPath.c_str(), TRUE);
        created = true;
      }
    }
  }
  ::CoUninitialize();
  return created;
}

std::wstring GameTarget() {
  const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  std::vector<wchar_t> folder(length + 1, L'\0');
  const DWORD read = ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (read == 0 || read >= folder.size()) return texts::kGameExe;  // relative to the current folder
  return std::wstring(folder.data(), read) + L"\\" + texts::kGameExe;
}

void OfferShortcut(HWND dialog, const std::wstring& linkPath) {
  if (::MessageBoxW(dialog, texts::kShortcutQuestion, texts::kShortcutCaption, MB_YESNO) != IDYES) return;
  if (linkPath.empty()) return;
  CreateShortcut(GameTarget(), linkPath, ToWide(texts::kCreditLine), L"");
}

std::wstring DesktopLinkPath() {
  wchar_t desktop[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_COMMON_DESKTOPDIRECTORY, FALSE)) return {};
  return std::wstring(desktop) + L"\\" + texts::kShortcutName + L".lnk";
}
