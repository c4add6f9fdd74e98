#pragma once

// A small window framework for the installer: a module object, a window-handle wrapper, message
// maps, a modal dialog implementation and a window implementation that takes over an existing
// control. Each object is bound to its window through a window property, which is sound on every
// architecture (no code thunks).
#include <windows.h>
#include <commctrl.h>

namespace fw {

class CAppModule {
 public:
  HRESULT Init(void* objectMap, HINSTANCE instance);
  void Term();
  HINSTANCE GetResourceInstance() const { return m_hInst; }
  DWORD GetMainThreadId() const { return m_dwMainThreadID; }

 private:
  HINSTANCE m_hInst = nullptr;
  DWORD m_dwMainThreadID = 0;
};

// The process's module object, defined by the program.
extern CAppModule _Module;

class CWindow {
 public:
  HWND m_hWnd = nullptr;

  CWindow(HWND window = nullptr) : m_hWnd(window) {}
  operator HWND() const { return m_hWnd; }

  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }
  BOOL SetWindowText(LPCWSTR text) const { return ::SetWindowTextW(m_hWnd, text); }
  BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
  BOOL RedrawWindow(const RECT* rect = nullptr, HRGN region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) const {
    return ::RedrawWindow(m_hWnd, rect, region, flags);
  }
  // Centres on the owner, or on the work area of the nearest monitor when there is no visible,
  // unminimised owner.
  BOOL CenterWindow() const;
};

// What a message map answers: TRUE when it handled the message, with its result in result.
class CMessageMap {
 public:
  virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                    DWORD mapId = 0) = 0;

 protected:
  ~CMessageMap() = default;
};

// Sends a control's notification back to the control as the message plus 0x2000.
LRESULT ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

namespace detail {
void bindObject(HWND window, void* object);
void* boundObject(HWND window);
void unbindObject(HWND window);
// Whether a dialog procedure hands back this message's result directly instead of through
// DWLP_MSGRESULT.
bool returnsResultDirectly(UINT message);
bool isControlColourMessage(UINT message);
// The dialog object a thread is about to create, bound on its first message.
extern thread_local void* pendingDialog;
}  // namespace detail

}  // namespace fw

#define BEGIN_MSG_MAP(theClass)                                                                   \
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, \
                            DWORD dwMsgMapID = 0) override {                                      \
    BOOL bHandled = TRUE;                                                                         \
    (void)hWnd;                                                                                   \
    (void)bHandled;                                                                               \
    switch (dwMsgMapID) {                                                                         \
      case 0:

#define MESSAGE_HANDLER(msg, func)                  \
  if (uMsg == (msg)) {                              \
    bHandled = TRUE;                                \
    lResult = func(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                      \
  }

#define COMMAND_ID_HANDLER(id, func)                                                          \
  if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                         \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define REFLECT_NOTIFICATIONS()                                                \
  {                                                                            \
    bHandled = TRUE;                                                           \
    lResult = ::fw::ReflectNotification(hWnd, uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                                                 \
  }

#define END_MSG_MAP() \
  break;              \
  default:            \
    break;            \
    }                 \
    return FALSE;     \
    }

namespace fw {

// A modal dialog on the template T::IDD, bound to this object from its first message on.
template <class T, class TBase = CWindow>
class CDialogImpl : public TBase, public CMessageMap {
 public:
  virtual ~CDialogImpl() = default;

  INT_PTR DoModal(HWND owner = ::GetActiveWindow(), LPARAM initParam = 0) {
    detail::pendingDialog = this;
    return ::DialogBoxParamW(_Module.GetResourceInstance(), MAKEINTRESOURCEW(T::IDD), owner, StartDialogProc,
                             initParam);
  }
  BOOL EndDialog(int result) { return ::EndDialog(this->m_hWnd, result); }

  virtual DLGPROC GetDialogProc() { return DialogProc; }
  virtual void OnFinalMessage(HWND) {}

 private:
  static INT_PTR CALLBACK StartDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CDialogImpl*>(detail::pendingDialog);
    detail::pendingDialog = nullptr;
    if (self == nullptr) return FALSE;
    self->m_hWnd = window;
    detail::bindObject(window, self);
    ::SetWindowLongPtrW(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(self->GetDialogProc()));
    return DialogProc(window, message, wParam, lParam);
  }

  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CDialogImpl*>(detail::boundObject(window));
    if (self == nullptr) return FALSE;
    LRESULT result = 0;
    const BOOL handled = self->ProcessWindowMessage(window, message, wParam, lParam, result, 0);
    if (message == WM_NCDESTROY) {
      detail::unbindObject(window);
      self->m_hWnd = nullptr;
      self->OnFinalMessage(window);
    }
    if (!handled) return FALSE;
    if (detail::returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
};

// Takes over an existing window (a dialog's control): its messages go to this object's message map
// first and, unhandled, to the window's previous procedure.
template <class T, class TBase = CWindow>
class CWindowImpl : public TBase, public CMessageMap {
 public:
  virtual ~CWindowImpl() = default;

  BOOL SubclassWindow(HWND window) {
    detail::bindObject(window, this);
    const auto previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
    if (previous == nullptr) {
      detail::unbindObject(window);
      return FALSE;
    }
    m_pfnSuperWindowProc = previous;
    this->m_hWnd = window;
    return TRUE;
  }

  virtual WNDPROC GetWindowProc() { return WindowProc; }
  virtual void OnFinalMessage(HWND) {}

 protected:
  WNDPROC m_pfnSuperWindowProc = ::DefWindowProcW;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CWindowImpl*>(detail::boundObject(window));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (message != WM_NCDESTROY && self->ProcessWindowMessage(window, message, wParam, lParam, result, 0)) {
      return result;
    }
    result = ::CallWindowProcW(self->m_pfnSuperWindowProc, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      const auto installed = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC));
      if (installed == WindowProc && self->m_pfnSuperWindowProc != ::DefWindowProcW) {
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->m_pfnSuperWindowProc));
      }
      detail::unbindObject(window);
      self->m_hWnd = nullptr;
      self->OnFinalMessage(window);
    }
    return result;
  }
};

}  // namespace fw

namespace fw {

// The standard progress control's messages.
template <class TBase>
class CProgressBarCtrlT : public TBase {
 public:
  int GetRange(BOOL low, PBRANGE* range) const {
    return static_cast<int>(this->SendMessage(PBM_GETRANGE, low, reinterpret_cast<LPARAM>(range)));
  }
  int GetPos() const { return static_cast<int>(this->SendMessage(PBM_GETPOS)); }
  DWORD SetRange(int low, int high) const {
    return static_cast<DWORD>(this->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(low, high)));
  }
  int SetPos(int position) const { return static_cast<int>(this->SendMessage(PBM_SETPOS, position)); }
};

}  // namespace fw
