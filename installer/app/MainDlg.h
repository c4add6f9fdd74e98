#pragma once

#include "app/resource.h"
#include "framework/Window.h"
#include "skin/XLProgressBar.h"

// The installer's one window: a background picture, the install and exit buttons, and the skinned
// progress bar that is also the status line.
class CMainDlg : public fw::CDialogImpl<CMainDlg> {
 public:
  enum { IDD = IDD_INSTALLER };

  BEGIN_MSG_MAP(CMainDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  HWND m_wndBackground = nullptr;
  CXLProgressBar m_progress;

 private:
  // Set by the install button for good: one run per process, and while it goes on no command
  // reaches the handlers. Wine turns a close request into IDCANCEL even with the exit button
  // disabled, and fires a disabled button's BM_CLICK.
  bool m_runStarted = false;

  LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnOK(WORD notifyCode, WORD id, HWND control, BOOL& handled);
  LRESULT OnCancel(WORD notifyCode, WORD id, HWND control, BOOL& handled);

  void SetIcons();
  void ShowBackground();
};
