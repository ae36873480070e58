// Window-system types as the system's logic sees them. An HWND stands for a Qt widget, but
// layers that know nothing of Qt only pass it along.
#pragma once

#include <cstdint>

#include "platform/com/Types.h"

struct HWND__;
using HWND = HWND__*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};

inline constexpr DWORD BI_RGB = 0;

struct BITMAPINFOHEADER {
    DWORD biSize = 0;
    LONG biWidth = 0;
    LONG biHeight = 0;  // positive: rows bottom-up; negative: top-down
    WORD biPlanes = 0;
    WORD biBitCount = 0;
    DWORD biCompression = 0;  // BI_RGB or a four-character code
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
