#pragma once

#include <windows.h>

#include "framework/Image.h"

namespace skin {

// The PNG resource of that number decoded into the image; the image stays empty if anything fails.
void LoadPngResource(fw::CImage& image, HINSTANCE instance, int resourceId);

// The whole image stretched into the rectangle; an empty image draws nothing.
BOOL DrawStretched(const fw::CImage& image, HDC dc, int x, int y, int width, int height);

// Left and right pieces at their own widths, the middle stretched between them, each over the full
// height of a rectangle whose left edge is 0.
void DrawThreeSlice(HDC dc, const RECT& rect, const fw::CImage& left, const fw::CImage& middle,
                    const fw::CImage& right);

// An off-screen copy of a rectangle of a DC, drawn with the target's coordinates and copied to the
// target in one blit when it ends.
class CPaintBuffer {
 public:
  CPaintBuffer(HDC target, const RECT& rect);
  ~CPaintBuffer();
  CPaintBuffer(const CPaintBuffer&) = delete;
  CPaintBuffer& operator=(const CPaintBuffer&) = delete;

  operator HDC() const { return m_hDC; }

 private:
  HDC m_hDC;
  HDC m_hDCOriginal;
  RECT m_rect;
  HBITMAP m_hBitmap;
  HGDIOBJ m_hBitmapOld;
};

}  // namespace skin
