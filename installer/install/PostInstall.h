#pragma once

#include <windows.h>

#include <string>

// Starts the file with its default verb and waits, without a time limit, until its process ends;
// returns at once when it could not be started.
void RunAndWait(const wchar_t* file, const wchar_t* parameters, int showCommand);

// Writes a shell link at linkPath to target, working in the target's folder. False when a shell
// object could not be had; the save itself is not checked.
bool CreateShortcut(const std::wstring& target, const std::wstring& linkPath, const std::wstring& description,
                    const std::wstring& iconPath);

// The game's executable in the current folder, however long the folder's path is.
std::wstring GameTarget();

// Asks, owned by the dialog, whether to put the game on the desktop, and does so on yes.
void OfferShortcut(HWND dialog, const std::wstring& linkPath);

// The game's link on the all-users desktop; empty when that folder is unknown.
std::wstring DesktopLinkPath();
