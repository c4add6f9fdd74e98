#pragma once

#include <windows.h>

#include <string>

#include "framework/Image.h"
#include "framework/Window.h"

// The dialog's progress control, skinned: an ornamented track, a fill in proportion to the position
// and an outlined status text over it. Range and position stay with the standard control; this
// object only paints. The install worker replaces the status text while the UI thread paints it,
// so the text is only touched under a lock.
class CXLProgressBar : public fw::CWindowImpl<CXLProgressBar, fw::CProgressBarCtrlT<fw::CWindow>> {
 public:
  CXLProgressBar();
  ~CXLProgressBar() override;

  BEGIN_MSG_MAP(CXLProgressBar)
  MESSAGE_HANDLER(WM_PAINT, OnPaint)
  END_MSG_MAP()

  // The text font and the six bar images.
  void LoadSkin();

  // Replaces the status text and repaints the bar before returning.
  void SetStatus(const std::wstring& text);
  // Replaces the status text; the bar's next repaint shows it.
  void SetStatusText(const std::wstring& text);
  std::wstring Status() const;

 private:
  LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
  void DrawTrack(HDC dc, const RECT& rc) const;
  void DrawFillAndText(HDC dc, const RECT& rc);

  mutable CRITICAL_SECTION m_textLock;
  std::wstring m_strText;
  HFONT m_font = nullptr;
  fw::CImage m_imgFillLeft;
  fw::CImage m_imgFillMiddle;
  fw::CImage m_imgFillRight;
  fw::CImage m_imgTrackLeft;
  fw::CImage m_imgTrackMiddle;
  fw::CImage m_imgTrackRight;
};
