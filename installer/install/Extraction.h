#pragma once

#include <windows.h>

#include <string>

#include "install/InstallView.h"

// The payload archives, resources of type "DAT".
constexpr int IDR_PAYLOAD_INSTALL = 218;
constexpr int IDR_PAYLOAD_UNINSTALL = 219;

// The resource's bytes, read-only for the life of the program, or nothing (after a narrow message
// box saying why).
const void* LoadPayload(HMODULE module, int resourceId, const wchar_t* type, DWORD& size);

// Extracts every entry of the archive below the current folder, entry by entry, with the bar and
// the status line following. 0 when every entry was written, 1 after a failure (its message shown).
// The whole archive is read through and checked before anything is written (names, folder marks,
// sizes, CRCs); each file is written beside its target and moved over it once complete, so every
// game file holds either its old bytes or the patch's.
int ExtractArchive(const std::string& archivePath, InstallView& view);

// Whether an entry name stays below the folder it is extracted into and names files there: no
// root, no drive, no "..", no device name, no character that Windows file names cannot hold.
bool IsSafeEntryName(const std::string& name);

// "当前进度" and the share of done entries as a whole percentage; an empty archive is done.
std::wstring ProgressText(int done, unsigned total);
