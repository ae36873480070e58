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

inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;
