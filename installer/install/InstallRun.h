#pragma once

#include <windows.h>

#include "install/InstallView.h"

// The install or, when the marker file is there, the uninstall: the payload extracted over the
// current folder, the batch run, the shortcut offered, the final message. 0 when it reached the
// final message, 1 when the extraction failed.
int RunInstall(HWND dialog, InstallView& view);
