#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/MainDlg.h"

fw::CAppModule fw::_Module;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  ::CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  fw::_Module.Init(nullptr, instance);

  INT_PTR result = 0;
  {
    CMainDlg dialog;
    result = dialog.DoModal(::GetActiveWindow());
  }

  fw::_Module.Term();
  ::CoUninitialize();
  return static_cast<int>(result);
}
