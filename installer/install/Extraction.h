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
// Entry names are checked before anything is written: none may leave the current folder.
int ExtractArchive(const std::string& archivePath, InstallView& view);

// Whether an entry name stays below the folder it is extracted into: no root, no drive, no "..".
bool IsSafeEntryName(const std::string& name);

// "当前进度" and the share of done entries as a whole percentage; an empty archive is done.
std::wstring ProgressText(int done, unsigned total);
