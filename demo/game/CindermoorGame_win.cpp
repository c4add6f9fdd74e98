// The demo game's program: a window showing the loading screen that its asset files hold, or the
// error screen naming what could not be read.
//   Cindermoor.exe                        the window
//   Cindermoor.exe --screenshot FILE.bmp  the same picture at 1280x720 into a bitmap file; the exit
//                                         status is 0 for the loading screen, 1 for the error screen
//                                         (whose line is also written to standard output, UTF-8)
//                                         and 2 when nothing could be drawn or written
#include <windows.h>

#include <shellapi.h>

#include <array>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BmpFile.h"
#include "GameAssets.h"
#include "GdiHandles_win.h"
#include "ScreenLayout.h"

namespace {

namespace layout = game::layout;

using game::FontResource;
using game::GdiObject;
using game::MemoryDc;

struct FreeArguments {
  void operator()(LPWSTR* arguments) const { ::LocalFree(arguments); }
};

// An object selected into a device context for as long as this lives.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~Selection() { ::SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

class Painting {
 public:
  explicit Painting(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~Painting() { ::EndPaint(window_, &paint_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

COLORREF colourOf(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

GdiObject<HFONT> createFont(const std::wstring& face, int pixelHeight) {
  return GdiObject<HFONT>(::CreateFontW(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

// Windows quietly stands another font in for a face it does not have: only the face the font
// takes in a device context tells whether it is the one asked for.
bool selectsFace(HDC dc, const std::wstring& face) {
  if (face.size() >= LF_FACESIZE) return false;
  const GdiObject<HFONT> font = createFont(face, 32);
  if (!font) return false;
  const Selection selected(dc, font.get());
  std::array<wchar_t, LF_FACESIZE> taken{};
  if (::GetTextFaceW(dc, static_cast<int>(taken.size()), taken.data()) == 0) return false;
  return ::lstrcmpiW(taken.data(), face.c_str()) == 0;
}

struct Scene {
  std::optional<game::LoadingScreen> screen;
  std::wstring failure;
  FontResource font;
  std::wstring tipFace;      // the family of the game's font, as Windows knows it
  std::wstring messageFace;  // for the error screen: a system font with Chinese characters
};

void loadFont(Scene& scene, HDC dc) {
  std::vector<std::uint8_t>& data = scene.screen->fontData;
  DWORD fonts = 0;
  scene.font.reset(::AddFontMemResourceEx(data.data(), static_cast<DWORD>(data.size()), nullptr, &fonts));
  if (scene.font && fonts > 0) {
    for (const std::wstring& family : scene.screen->fontFamilies) {
      if (!selectsFace(dc, family)) continue;
      scene.tipFace = family;
      return;
    }
  }
  scene.font.reset();
  scene.screen.reset();
  scene.failure = game::fontLoadFailure();
}

Scene loadScene(const std::wstring& gameFolder) {
  Scene scene;
  game::ScreenContent content = game::loadScreenContent(gameFolder);
  scene.screen = std::move(content.screen);
  scene.failure = std::move(content.failure);
  const MemoryDc dc(::CreateCompatibleDC(nullptr));
  if (scene.screen) loadFont(scene, dc.get());
  // Windows from 7 on carries the first; the second is where Wine's prefix maps Chinese faces.
  scene.messageFace = L"SimSun";
  if (selectsFace(dc.get(), L"Microsoft YaHei")) scene.messageFace = L"Microsoft YaHei";
  return scene;
}

constexpr UINT kWrappedText = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;

// The rectangle the text takes, wrapped within the width of the bounds, centred on them
// horizontally; its top at the bounds' top.
RECT measure(HDC dc, const std::wstring& text, const RECT& bounds) {
  RECT measured = bounds;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, kWrappedText | DT_CALCRECT);
  return {bounds.left, bounds.top, bounds.right, bounds.top + (measured.bottom - measured.top)};
}

void drawTip(HDC dc, layout::Size size, const Scene& scene) {
  const GdiObject<HFONT> font = createFont(scene.tipFace, layout::tipFontHeight(size.height));
  const Selection selected(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring& tip = scene.screen->tip;
  const int side = layout::sideMargin(size.width);
  const int bottom = size.height - layout::tipBottomMargin(size.height);
  RECT place = measure(dc, tip, {side, 0, size.width - side, bottom});
  ::OffsetRect(&place, 0, bottom - place.bottom);
  // An outline that keeps the text readable over any picture: the text in the outline colour
  // everywhere within reach, the text colour drawn over it last.
  const int reach = layout::tipOutline(size.height);
  ::SetTextColor(dc, colourOf(layout::kTipOutline));
  for (int dy = -reach; dy <= reach; ++dy) {
    for (int dx = -reach; dx <= reach; ++dx) {
      RECT shifted = place;
      ::OffsetRect(&shifted, dx, dy);
      ::DrawTextW(dc, tip.c_str(), static_cast<int>(tip.size()), &shifted, kWrappedText);
    }
  }
  ::SetTextColor(dc, colourOf(layout::kTipText));
  ::DrawTextW(dc, tip.c_str(), static_cast<int>(tip.size()), &place, kWrappedText);
}

void paintLoadingScreen(HDC dc, layout::Size size, const Scene& scene) {
  const game::Picture& picture = scene.screen->picture;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  ::SetStretchBltMode(dc, HALFTONE);
  ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchDIBits(dc, 0, 0, size.width, size.height, 0, 0, picture.width, picture.height,
                  picture.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  drawTip(dc, size, scene);
}

void paintErrorScreen(HDC dc, layout::Size size, const Scene& scene) {
  const RECT all{0, 0, size.width, size.height};
  const GdiObject<HBRUSH> background(::CreateSolidBrush(colourOf(layout::kErrorBackground)));
  ::FillRect(dc, &all, background.get());
  const GdiObject<HFONT> font = createFont(scene.messageFace, layout::errorFontHeight(size.height));
  const Selection selected(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, colourOf(layout::kErrorText));
  const int side = layout::sideMargin(size.width);
  RECT place = measure(dc, scene.failure, {side, 0, size.width - side, size.height});
  ::OffsetRect(&place, 0, (size.height - place.bottom) / 2);
  ::DrawTextW(dc, scene.failure.c_str(), static_cast<int>(scene.failure.size()), &place, kWrappedText);
}

void paint(HDC dc, layout::Size size, const Scene& scene) {
  if (scene.screen) {
    paintLoadingScreen(dc, size, scene);
  } else {
    paintErrorScreen(dc, size, scene);
  }
}

std::wstring programFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? L"." : path.substr(0, separator);
}

// The standard output a test or a script gave the program; a window program started otherwise has
// none, and the line is then only on the screen. The handle is the process's, never closed here.
void printLine(const std::wstring& text) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const std::wstring line = text + L"\r\n";
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr,
                                           0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), length,
                        nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

enum ExitStatus { kLoadingScreen = 0, kErrorScreen = 1, kCannotDraw = 2 };

int screenshot(const Scene& scene, const std::wstring& path) {
  const layout::Size size{layout::kClientWidth, layout::kClientHeight};
  game::Picture picture;
  picture.width = size.width;
  picture.height = size.height;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.width, -size.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const MemoryDc dc(::CreateCompatibleDC(nullptr));
  const GdiObject<HBITMAP> bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap || bits == nullptr) return kCannotDraw;
  {
    const Selection selected(dc.get(), bitmap.get());
    paint(dc.get(), size, scene);
    ::GdiFlush();
    const auto* first = static_cast<const game::Pixel*>(bits);
    picture.pixels.assign(first, first + static_cast<std::size_t>(size.width) * size.height);
  }
  if (!game::writeBmpFile(path, picture)) return kCannotDraw;
  if (!scene.screen) printLine(scene.failure);
  return scene.screen ? kLoadingScreen : kErrorScreen;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  const auto* scene = reinterpret_cast<const Scene*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // every pixel is painted, from a buffer, so that resizing does not flicker
    case WM_PAINT: {
      const Painting painting(window);
      RECT client{};
      ::GetClientRect(window, &client);
      const layout::Size size{client.right, client.bottom};
      const MemoryDc buffer(::CreateCompatibleDC(painting.dc()));
      const GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(painting.dc(), size.width, size.height));
      if (scene == nullptr || !buffer || !bitmap) return 0;
      const Selection selected(buffer.get(), bitmap.get());
      paint(buffer.get(), size, *scene);
      ::BitBlt(painting.dc(), 0, 0, size.width, size.height, buffer.get(), 0, 0, SRCCOPY);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

int showWindow(HINSTANCE instance, Scene& scene, int show) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = L"CindermoorGame";
  if (::RegisterClassExW(&windowClass) == 0) return kCannotDraw;

  constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
  RECT work{0, 0, layout::kClientWidth, layout::kClientHeight};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{0, 0, 0, 0};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  const layout::Size client =
      layout::clientSizeFitting(work.right - work.left - frameWidth, work.bottom - work.top - frameHeight);
  const int width = client.width + frameWidth;
  const int height = client.height + frameHeight;
  const HWND window = ::CreateWindowExW(
      0, windowClass.lpszClassName, L"Cindermoor", kStyle, work.left + (work.right - work.left - width) / 2,
      work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr, instance, &scene);
  if (window == nullptr) return kCannotDraw;
  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  try {
    int count = 0;
    const std::unique_ptr<LPWSTR, FreeArguments> arguments(::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::optional<std::wstring> screenshotPath;
    // The engine's own switches (-screen-width and the like) may come too; they change nothing here.
    for (int i = 1; arguments && i < count; ++i) {
      if (std::wstring_view(arguments.get()[i]) != L"--screenshot") continue;
      if (i + 1 >= count) return kCannotDraw;
      screenshotPath = arguments.get()[++i];
    }
    Scene scene = loadScene(programFolder());
    if (screenshotPath) return screenshot(scene, *screenshotPath);
    return showWindow(instance, scene, show);
  } catch (const std::exception&) {
    return kCannotDraw;
  }
}
