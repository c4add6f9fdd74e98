#pragma once

#include <string>

// Between wide text and narrow text in the thread's ANSI code page (936 on the target systems).
std::wstring ToWide(const std::string& narrow);
std::string ToNarrow(const std::wstring& wide);
