#include "skin/XLProgressBar.h"

#include "skin/ProgressGeometry.h"
#include "skin/Skin.h"
#include "skin/SkinResources.h"

namespace {

constexpr COLORREF kOutlineColour = RGB(10, 10, 30);
constexpr COLORREF kTextColour = RGB(250, 160, 0);
constexpr UINT kRepaintNow = RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE;
// Each paint with a fill pauses the painting thread, which paces the worker's synchronous repaints.
constexpr DWORD kFillPauseMs = 5;

// One-pixel dark outline: the text drawn around its place, then in orange on top.
void DrawOutlinedText(HDC dc, int x, int y, const std::wstring& text) {
  const int length = static_cast<int>(text.size());
  const POINT outline[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
  for (const POINT& at : outline) ::TextOutW(dc, at.x, at.y, text.c_str(), length);
  ::SetTextColor(dc, kTextColour);
  ::TextOutW(dc, x, y, text.c_str(), length);
}

}  // namespace

CXLProgressBar::CXLProgressBar() {
  ::InitializeCriticalSection(&m_textLock);
}

CXLProgressBar::~CXLProgressBar() {
  if (m_font != nullptr) ::DeleteObject(m_font);
  ::DeleteCriticalSection(&m_textLock);
}

void CXLProgressBar::LoadSkin() {
  m_font = ::CreateFontW(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 0, 0, 0, 0, FF_SWISS, L"宋体");
  const HINSTANCE instance = fw::_Module.GetResourceInstance();
  skin::LoadPngResource(m_imgTrackLeft, instance, IDR_PNG_CAP_LEFT);
  skin::LoadPngResource(m_imgTrackMiddle, instance, IDR_PNG_TRACK);
  skin::LoadPngResource(m_imgTrackRight, instance, IDR_PNG_CAP_RIGHT);
  skin::LoadPngResource(m_imgFillLeft, instance, IDR_PNG_CAP_LEFT);
  skin::LoadPngResource(m_imgFillMiddle, instance, IDR_PNG_FILL);
  skin::LoadPngResource(m_imgFillRight, instance, IDR_PNG_FILL);
}

void CXLProgressBar::SetStatus(const std::wstring& text) {
  SetStatusText(text);
  ::RedrawWindow(m_hWnd, nullptr, nullptr, kRepaintNow);
}

void CXLProgressBar::SetStatusText(const std::wstring& text) {
  ::EnterCriticalSection(&m_textLock);
  m_strText = text;
  ::LeaveCriticalSection(&m_textLock);
}

std::wstring CXLProgressBar::Status() const {
  ::EnterCriticalSection(&m_textLock);
  std::wstring copy = m_strText;
  ::LeaveCriticalSection(&m_textLock);
  return copy;
}

LRESULT CXLProgressBar::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(m_hWnd, &paint);
  RECT rc;
  GetClientRect(&rc);
  {
    skin::CPaintBuffer buffer(dc, rc);
    RECT clip;
    if (::GetClipBox(dc, &clip) != ERROR) {
      ::BitBlt(buffer, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, dc, 0, 0, SRCCOPY);
      DrawTrack(buffer, rc);
      DrawFillAndText(buffer, rc);
    }
  }
  ::EndPaint(m_hWnd, &paint);
  return 0;
}

void CXLProgressBar::DrawTrack(HDC dc, const RECT& rc) const {
  skin::DrawThreeSlice(dc, rc, m_imgTrackLeft, m_imgTrackMiddle, m_imgTrackRight);
}

void CXLProgressBar::DrawFillAndText(HDC dc, const RECT& rc) {
  const HGDIOBJ previousFont = m_font != nullptr ? ::SelectObject(dc, m_font) : nullptr;
  ::SetTextColor(dc, kOutlineColour);
  ::SetBkMode(dc, TRANSPARENT);

  PBRANGE range{};
  GetRange(TRUE, &range);
  const int width = rc.right - rc.left;
  const int height = rc.bottom - rc.top;
  const int leftWidth = m_imgFillLeft.GetWidth();
  const int rightWidth = m_imgFillRight.GetWidth();
  const skin::FillGeometry fill =
      skin::fillGeometry(width, GetPos(), range.iLow, range.iHigh, leftWidth, rightWidth);
  if (fill.drawn) {
    ::Sleep(kFillPauseMs);
    if (fill.stub) {
      skin::DrawStretched(m_imgFillLeft, dc, rc.left, rc.top, leftWidth, height);
      skin::DrawStretched(m_imgFillRight, dc, rc.left + leftWidth, rc.top, rightWidth, height);
    } else {
      const RECT filled{rc.left, rc.top, fill.end, rc.bottom};
      skin::DrawThreeSlice(dc, filled, m_imgFillLeft, m_imgFillMiddle, m_imgFillRight);
    }
  }

  const std::wstring text = Status();
  const skin::TextOrigin origin = skin::textOrigin(width, height, static_cast<int>(text.size()));
  DrawOutlinedText(dc, origin.x, origin.y - 6, text);
  if (previousFont != nullptr) ::SelectObject(dc, previousFont);
}
