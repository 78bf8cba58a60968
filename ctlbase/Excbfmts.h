// Clipboard format names: the standard formats by their fixed names, registered ones by theirs.
#pragma once

#include <string>

#include "platform/Windows.h"

// Whether the clipboard holds Format (false when it cannot be opened for Wnd).
bool HasFormat(HWND Wnd, UINT Format);
// "TEXT" ... "LOCALE" for formats 1..16, the registered name otherwise; empty for a number that is
// neither.
std::string GetFormatName(UINT Format);
// The number of a format name, case ignored: 1..16 for the standard names, else the number the
// upper-cased name is registered under. An unknown name gives 0 unless Register is set, when it is
// registered (upper-cased) and its new number returned. An empty name, or one longer than a name
// can be read back, is never registered.
UINT GetFormatIndex(const std::string& Name, bool Register = false);
