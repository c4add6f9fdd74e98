#pragma once

#include <windows.h>
#include <objidl.h>

namespace fw {

// A picture held as one 32-bit (or palette) DIB section, decoded through GDI+. Every image object,
// from construction to destruction, is a user of GDI+: the first decode starts it and the last
// object's destruction shuts it down.
class CImage {
 public:
  CImage();
  ~CImage();
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // Decodes the stream; the image is left empty on failure (E_FAIL).
  HRESULT Load(IStream* stream);
  void Destroy();

  bool IsNull() const { return m_hBitmap == nullptr; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetBPP() const { return m_nBPP; }
  bool HasAlphaChannel() const { return m_bHasAlphaChannel; }
  operator HBITMAP() const { return m_hBitmap; }

  // The whole image stretched into the rectangle: keyed on the transparent colour if there is
  // one, else blended by its alpha channel if it has one, else copied.
  BOOL Draw(HDC target, int x, int y, int width, int height) const;

  // For tests: the number of live image objects, and whether GDI+ is running.
  static LONG GdiplusUsers();
  static bool GdiplusRunning();

 private:
  bool CreateSection(int width, int height, int bitsPerPixel);

  HBITMAP m_hBitmap = nullptr;
  void* m_pBits = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nPitch = 0;
  int m_nBPP = 0;
  bool m_bHasAlphaChannel = false;
  COLORREF m_transparentColor = CLR_INVALID;
};

}  // namespace fw
