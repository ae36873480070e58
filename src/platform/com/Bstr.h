// BSTR: the platform's length-prefixed wide string, allocated by SysAllocStringLen and freed
// by whoever receives it with SysFreeString.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/com/Types.h"

using OLECHAR = wchar_t;
using BSTR = OLECHAR*;

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
void SysFreeString(BSTR bstr);  // null is ignored
UINT SysStringLen(BSTR bstr);

// Converts UTF-8 text to a newly allocated BSTR.
BSTR SysAllocStringFromUtf8(std::string_view text);

inline constexpr UINT CP_ACP = 0;  // the "ANSI" code page, which is UTF-8 here

// Converts wide text to the given code page. cchWideChar -1 means up to and including the
// terminating zero. With cbMultiByte 0 returns the size needed; otherwise returns the bytes
// written, or 0 when the buffer is too small (nothing usable is left in it then).
int WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* wide, int cchWideChar,
                        char* multiByte, int cbMultiByte, const char* defaultChar,
                        BOOL* usedDefaultChar);
