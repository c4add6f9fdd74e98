#include "framework/Image.h"

#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <vector>

namespace fw {
namespace {

namespace gp = Gdiplus::DllExports;

// The process-wide GDI+ record: its token, the number of live image objects, and a lock for both.
class GdiplusLifetime {
 public:
  GdiplusLifetime() { m_lockCreated = ::InitializeCriticalSectionAndSpinCount(&m_lock, 0) != FALSE; }
  ~GdiplusLifetime() {
    if (m_token != 0) Gdiplus::GdiplusShutdown(m_token);
    if (m_lockCreated) ::DeleteCriticalSection(&m_lock);
  }

  void AddUser() {
    if (!m_lockCreated) return;
    ::EnterCriticalSection(&m_lock);
    ++m_users;
    ::LeaveCriticalSection(&m_lock);
  }

  void RemoveUser() {
    if (!m_lockCreated) return;
    ::EnterCriticalSection(&m_lock);
    if (--m_users == 0 && m_token != 0) {
      Gdiplus::GdiplusShutdown(m_token);
      m_token = 0;
    }
    ::LeaveCriticalSection(&m_lock);
  }

  // Starts GDI+ once while a token is held; false when it cannot run.
  bool EnsureStarted() {
    if (!m_lockCreated) return false;
    ::EnterCriticalSection(&m_lock);
    if (m_token == 0) {
      Gdiplus::GdiplusStartupInput input;
      if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok) m_token = 0;
    }
    const bool running = m_token != 0;
    ::LeaveCriticalSection(&m_lock);
    return running;
  }

  LONG Users() const { return m_users; }
  bool Running() const { return m_token != 0; }

 private:
  CRITICAL_SECTION m_lock{};
  bool m_lockCreated = false;
  ULONG_PTR m_token = 0;
  LONG m_users = 0;
};

GdiplusLifetime& Lifetime() {
  static GdiplusLifetime lifetime;
  return lifetime;
}

struct BitmapDisposer {
  void operator()(Gdiplus::GpBitmap* bitmap) const { gp::GdipDisposeImage(bitmap); }
};
using GpBitmapPtr = std::unique_ptr<Gdiplus::GpBitmap, BitmapDisposer>;

struct GraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* graphics) const { gp::GdipDeleteGraphics(graphics); }
};

class MemoryDc {
 public:
  MemoryDc() : m_dc(::CreateCompatibleDC(nullptr)) {}
  ~MemoryDc() {
    if (m_dc != nullptr) ::DeleteDC(m_dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  operator HDC() const { return m_dc; }

 private:
  HDC m_dc;
};

// Copies a palette-based source's colours into the DIB's colour table.
bool CopyPalette(Gdiplus::GpBitmap* source, HBITMAP section) {
  INT size = 0;
  if (gp::GdipGetImagePaletteSize(source, &size) != Gdiplus::Ok || size <= 0) return false;
  std::vector<BYTE> storage(static_cast<std::size_t>(size));
  auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(storage.data());
  if (gp::GdipGetImagePalette(source, palette, size) != Gdiplus::Ok) return false;
  if (palette->Count == 0 || palette->Count > 256) return false;
  RGBQUAD colours[256];
  for (UINT i = 0; i < palette->Count; ++i) {
    const Gdiplus::ARGB argb = palette->Entries[i];
    colours[i] = {static_cast<BYTE>(argb), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb >> 16), 0};
  }
  MemoryDc dc;
  const HGDIOBJ previous = ::SelectObject(dc, section);
  ::SetDIBColorTable(dc, 0, palette->Count, colours);
  ::SelectObject(dc, previous);
  return true;
}

}  // namespace

CImage::CImage() {
  Lifetime().AddUser();
}

CImage::~CImage() {
  Destroy();
  Lifetime().RemoveUser();
}

LONG CImage::GdiplusUsers() {
  return Lifetime().Users();
}
bool CImage::GdiplusRunning() {
  return Lifetime().Running();
}

void CImage::Destroy() {
  if (m_hBitmap != nullptr) ::DeleteObject(m_hBitmap);
  m_hBitmap = nullptr;
  m_pBits = nullptr;
  m_nWidth = m_nHeight = m_nPitch = m_nBPP = 0;
  m_bHasAlphaChannel = false;
}

bool CImage::CreateSection(int width, int height, int bitsPerPixel) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = -height;  // top-down: rows in the order GDI+ hands them out
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.header.biCompression = BI_RGB;
  m_hBitmap =
      ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &m_pBits, nullptr, 0);
  if (m_hBitmap == nullptr) return false;
  m_nWidth = width;
  m_nHeight = height;
  m_nBPP = bitsPerPixel;
  m_nPitch = ((width * bitsPerPixel + 31) / 32) * 4;
  return true;
}

HRESULT CImage::Load(IStream* stream) {
  Destroy();
  if (!Lifetime().EnsureStarted()) return E_FAIL;
  Gdiplus::GpBitmap* decoded = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream, &decoded) != Gdiplus::Ok) return E_FAIL;
  const GpBitmapPtr source(decoded);

  Gdiplus::PixelFormat format = 0;
  UINT width = 0;
  UINT height = 0;
  if (gp::GdipGetImagePixelFormat(source.get(), &format) != Gdiplus::Ok ||
      gp::GdipGetImageWidth(source.get(), &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(source.get(), &height) != Gdiplus::Ok) {
    return E_FAIL;
  }
  Gdiplus::PixelFormat target = PixelFormat32bppRGB;
  int bitsPerPixel = 32;
  bool alpha = false;
  if ((format & PixelFormatGDI) != 0) {
    target = format;
    bitsPerPixel = static_cast<int>((format >> 8) & 0xFF);
  }
  if ((format & PixelFormatAlpha) != 0) {
    target = PixelFormat32bppARGB;
    bitsPerPixel = 32;
    alpha = true;
  }
  if (!CreateSection(static_cast<int>(width), static_cast<int>(height), bitsPerPixel)) return E_FAIL;
  m_bHasAlphaChannel = alpha;

  if ((format & PixelFormatIndexed) != 0 && !CopyPalette(source.get(), m_hBitmap)) {
    Destroy();
    return E_FAIL;
  }

  bool copied = false;
  if (format == target) {
    Gdiplus::BitmapData data{};
    const Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    if (gp::GdipBitmapLockBits(source.get(), &whole, Gdiplus::ImageLockModeRead, target, &data) ==
        Gdiplus::Ok) {
      const std::size_t rowLength = (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
      for (UINT row = 0; row < height; ++row) {
        std::memcpy(static_cast<BYTE*>(m_pBits) + static_cast<std::size_t>(row) * m_nPitch,
                    static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(row) * data.Stride,
                    rowLength);
      }
      gp::GdipBitmapUnlockBits(source.get(), &data);
      copied = true;
    }
  } else {
    Gdiplus::GpBitmap* wrapped = nullptr;
    if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), m_nPitch, target,
                                      static_cast<BYTE*>(m_pBits), &wrapped) == Gdiplus::Ok) {
      const GpBitmapPtr destination(wrapped);
      Gdiplus::GpGraphics* graphics = nullptr;
      if (gp::GdipGetImageGraphicsContext(destination.get(), &graphics) == Gdiplus::Ok) {
        const std::unique_ptr<Gdiplus::GpGraphics, GraphicsDeleter> owned(graphics);
        copied = gp::GdipDrawImageI(graphics, source.get(), 0, 0) == Gdiplus::Ok;
      }
    }
  }
  if (!copied) {
    Destroy();
    return E_FAIL;
  }
  return S_OK;
}

BOOL CImage::Draw(HDC target, int x, int y, int width, int height) const {
  if (m_hBitmap == nullptr) return FALSE;
  MemoryDc source;
  const HGDIOBJ previous = ::SelectObject(source, m_hBitmap);
  BOOL drawn = FALSE;
  if (m_transparentColor != CLR_INVALID) {
    drawn =
        ::TransparentBlt(target, x, y, width, height, source, 0, 0, m_nWidth, m_nHeight, m_transparentColor);
  } else if (m_bHasAlphaChannel) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    drawn = ::AlphaBlend(target, x, y, width, height, source, 0, 0, m_nWidth, m_nHeight, blend);
  } else {
    drawn = ::StretchBlt(target, x, y, width, height, source, 0, 0, m_nWidth, m_nHeight, SRCCOPY);
  }
  ::SelectObject(source, previous);
  return drawn;
}

}  // namespace fw
