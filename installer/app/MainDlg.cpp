#include "app/MainDlg.h"

#include "framework/Image.h"
#include "install/FileExists.h"
#include "install/Texts.h"
#include "skin/Skin.h"

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CenterWindow();
  SetIcons();

  // The caption is still the template's, so this never finds the window being set up.
  if (const HWND running = ::FindWindowW(nullptr, texts::kWindowTitle)) {
    ::SetForegroundWindow(running);
    EndDialog(0);
  }
  SetWindowText(texts::kWindowTitle);

  // Without the takeover the standard control shows; installing works all the same.
  m_progress.SubclassWindow(GetDlgItem(IDC_PROGRESS));
  m_progress.LoadSkin();
  m_progress.SetStatus(texts::kStatusReady);

  m_wndBackground = GetDlgItem(IDC_BACKGROUND);
  ShowBackground();

  if (FileExists(texts::kMarkerFile)) ::SetDlgItemTextW(m_hWnd, IDOK, texts::kUninstallLabel);
  return TRUE;
}

void CMainDlg::SetIcons() {
  const HINSTANCE instance = fw::_Module.GetResourceInstance();
  const auto load = [&](int widthMetric, int heightMetric) {
    return ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, ::GetSystemMetrics(widthMetric),
                        ::GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR);
  };
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(SM_CXICON, SM_CYICON)));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(load(SM_CXSMICON, SM_CYSMICON)));
}

// The picture control keeps its own copy of a 32-bit bitmap, so the decoded image can go at once.
void CMainDlg::ShowBackground() {
  fw::CImage background;
  skin::LoadPngResource(background, fw::_Module.GetResourceInstance(), IDR_PNG_BACKGROUND);
  ::SendMessageW(m_wndBackground, STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(static_cast<HBITMAP>(background)));
}
