#include "skin/Skin.h"

#include <cstring>

namespace skin {
namespace {

struct StreamReleaser {
  void operator()(IStream* stream) const { stream->Release(); }
};

}  // namespace

void LoadPngResource(fw::CImage& image, HINSTANCE instance, int resourceId) {
  const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(resourceId), L"PNG");
  if (found == nullptr) return;
  const DWORD size = ::SizeofResource(instance, found);
  const HGLOBAL loaded = ::LoadResource(instance, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return;

  const HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, size);
  if (block == nullptr) return;
  std::memcpy(block, bytes, size);  // a fixed block is its own address
  IStream* stream = nullptr;
  if (::CreateStreamOnHGlobal(block, FALSE, &stream) == S_OK) {
    image.Load(stream);
    stream->Release();
  }
  ::GlobalFree(block);
}

BOOL DrawStretched(const fw::CImage& image, HDC dc, int x, int y, int width, int height) {
  return image.Draw(dc, x, y, width, height);
}

void DrawThreeSlice(HDC dc, const RECT& rect, const fw::CImage& left, const fw::CImage& middle,
                    const fw::CImage& right) {
  const int height = rect.bottom - rect.top;
  const int middleStart = left.GetWidth();
  const int rightStart = rect.right - right.GetWidth();
  DrawStretched(left, dc, rect.left, rect.top, left.GetWidth(), height);
  DrawStretched(middle, dc, middleStart, rect.top, rightStart - middleStart, height);
  DrawStretched(right, dc, rightStart, rect.top, right.GetWidth(), height);
}

CPaintBuffer::CPaintBuffer(HDC target, const RECT& rect)
    : m_hDC(::CreateCompatibleDC(target)),
      m_hDCOriginal(target),
      m_rect(rect),
      m_hBitmap(::CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top)),
      m_hBitmapOld(::SelectObject(m_hDC, m_hBitmap)) {
  ::SetViewportOrgEx(m_hDC, -rect.left, -rect.top, nullptr);
}

CPaintBuffer::~CPaintBuffer() {
  ::BitBlt(m_hDCOriginal, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
           m_hDC, m_rect.left, m_rect.top, SRCCOPY);
  ::SelectObject(m_hDC, m_hBitmapOld);
  ::DeleteObject(m_hBitmap);
  ::DeleteDC(m_hDC);
}

}  // namespace skin
