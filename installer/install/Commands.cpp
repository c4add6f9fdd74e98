#include <windows.h>
#include <shellapi.h>

#include "app/MainDlg.h"
#include "install/Texts.h"

namespace {

void OpenPublisherPage() {
  ::ShellExecuteW(nullptr, L"open", texts::kPublisherPage, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

LRESULT CMainDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  OpenPublisherPage();
  EndDialog(IDCANCEL);
  return 0;
}
