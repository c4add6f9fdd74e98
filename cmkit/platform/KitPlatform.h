#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// What cmkit needs beyond qmx's platform module and what differs between Windows and POSIX.
namespace kit_platform {

// The text in code page 936 (GBK), the ANSI code page of the Simplified-Chinese Windows the patch
// installs on, whatever the code page of the machine that packs it; nothing when a character has
// no GBK form.
std::optional<std::string> toGbk(std::wstring_view text);

// The folder of the running program, where the kit keeps cmpatch.exe and qmx.exe.
std::wstring programFolder();

// Puts the file in the target's place, replacing the target in one step; both are on one drive.
// The system's reason when it cannot, nothing when it could.
std::error_code replaceFile(const std::wstring& from, const std::wstring& target);

}  // namespace kit_platform
