#include <windows.h>
#include <process.h>
#include <shellapi.h>

#include "app/MainDlg.h"
#include "framework/Handle.h"
#include "install/FileExists.h"
#include "install/InstallRun.h"
#include "install/Texts.h"

namespace {

void OpenPublisherPage() {
  ::ShellExecuteW(nullptr, L"open", texts::kPublisherPage, nullptr, nullptr, SW_SHOWNORMAL);
}

// The run's view of the dialog: the bar for progress and status, the dialog as the boxes' owner.
class DialogView : public InstallView {
 public:
  explicit DialogView(CMainDlg& dialog) : dialog_(dialog) {}

  void SetStatus(const std::wstring& text) override { dialog_.m_progress.SetStatus(text); }
  void SetStatusText(const std::wstring& text) override { dialog_.m_progress.SetStatusText(text); }
  void SetRange(int high) override { dialog_.m_progress.SetRange(0, high); }
  void SetPos(int position) override { dialog_.m_progress.SetPos(position); }
  int GetPos() override { return dialog_.m_progress.GetPos(); }
  void ShowError(const wchar_t* text, const wchar_t* caption) override {
    ::MessageBoxW(dialog_.m_hWnd, text, caption, MB_OK | MB_ICONERROR);
  }

 private:
  CMainDlg& dialog_;
};

unsigned __stdcall InstallThreadProc(void* parameter) {
  CMainDlg& dialog = *static_cast<CMainDlg*>(parameter);
  DialogView view(dialog);
  RunInstall(dialog.m_hWnd, view);
  return 0;
}

// Serves the window, and so the worker's repaints, progress messages and message boxes, until the
// worker has ended. No dialog keys: Enter and Esc do nothing meanwhile.
void PumpUntilEnded(HANDLE thread) {
  for (;;) {
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 1) return;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

}  // namespace

LRESULT CMainDlg::OnOK(WORD, WORD, HWND, BOOL&) {
  if (m_runStarted) return 0;
  m_runStarted = true;
  ::EnableWindow(GetDlgItem(IDOK), FALSE);
  ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);
  if (!FileExists(texts::kGameExe)) {
    m_progress.SetStatus(texts::kStatusFailed);
    ::MessageBoxW(m_hWnd, texts::kNotInGameFolder, texts::kCaptionError, MB_OK | MB_ICONERROR);
  } else {
    unsigned threadId = 0;
    const fw::CHandle worker(
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, InstallThreadProc, this, 0, &threadId)));
    PumpUntilEnded(worker);
  }
  OpenPublisherPage();
  EndDialog(IDOK);
  return 0;
}

// Esc, the exit button and a close request; during a run none of them does anything, so the window
// stays until the run has ended (the player must not start the game while files are replaced).
LRESULT CMainDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
  if (m_runStarted) return 0;
  OpenPublisherPage();
  EndDialog(IDCANCEL);
  return 0;
}
