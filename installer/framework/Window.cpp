#include "framework/Window.h"

#include <commctrl.h>

#include "framework/Centring.h"

namespace fw {

namespace detail {

namespace {
constexpr wchar_t kObjectProperty[] = L"fw.object";
}  // namespace

thread_local void* pendingDialog = nullptr;

void bindObject(HWND window, void* object) {
  ::SetPropW(window, kObjectProperty, object);
}
void* boundObject(HWND window) {
  return ::GetPropW(window, kObjectProperty);
}
void unbindObject(HWND window) {
  ::RemovePropW(window, kObjectProperty);
}

bool isControlColourMessage(UINT message) {
  return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

bool returnsResultDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return isControlColourMessage(message);
  }
}

}  // namespace detail

HRESULT CAppModule::Init(void*, HINSTANCE instance) {
  m_hInst = instance;
  m_dwMainThreadID = ::GetCurrentThreadId();
  return S_OK;
}

void CAppModule::Term() {
  m_hInst = nullptr;
  m_dwMainThreadID = 0;
}

BOOL CWindow::CenterWindow() const {
  HWND reference = ::GetWindow(m_hWnd, GW_OWNER);
  const LONG style = reference != nullptr ? ::GetWindowLongW(reference, GWL_STYLE) : 0;
  const bool useOwner = reference != nullptr && (style & (WS_VISIBLE | WS_MINIMIZE)) == WS_VISIBLE;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfoW(::MonitorFromWindow(useOwner ? reference : m_hWnd, MONITOR_DEFAULTTONEAREST),
                         &monitor)) {
    return FALSE;
  }
  RECT window{};
  RECT around = monitor.rcWork;
  if (!::GetWindowRect(m_hWnd, &window) || (useOwner && !::GetWindowRect(reference, &around))) return FALSE;
  const POINT origin = centredOrigin(window, around, monitor.rcWork);
  return ::SetWindowPos(m_hWnd, nullptr, origin.x, origin.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// Reflected notifications arrive at the child as the message plus this base.
constexpr UINT kReflectedMessageBase = WM_USER + 0x1C00;

// The child a notification concerns, or nothing when the message is not a notification.
HWND notifyingChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  if (detail::isControlColourMessage(message)) return reinterpret_cast<HWND>(lParam);
  switch (message) {
    case WM_COMMAND:
      return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
      return reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) return reinterpret_cast<HWND>(lParam);
      return ::GetDlgItem(parent, HIWORD(wParam));
    case WM_DRAWITEM:
      return wParam != 0 ? reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
      return wParam != 0 ? ::GetDlgItem(parent, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID)
                         : nullptr;
    case WM_COMPAREITEM:
      return wParam != 0 ? reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_DELETEITEM:
      return wParam != 0 ? reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
      return reinterpret_cast<HWND>(lParam);
    default:
      return nullptr;
  }
}

}  // namespace

LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  const HWND child = notifyingChild(parent, message, wParam, lParam);
  if (child == nullptr) {
    handled = FALSE;
    return 1;
  }
  return ::SendMessageW(child, kReflectedMessageBase + message, wParam, lParam);
}

}  // namespace fw
