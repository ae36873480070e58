// Window timers: a timer set on a window with an id delivers WM_TIMER with that id to the
// window (as a CWindowMessageEvent) every period until it is killed or the window dies.
#pragma once

#include "platform/win/WinTypes.h"

// Starts timer `id` on the window, or restarts it with the new period if it runs already.
// Returns `id`, or 0 when the window does not exist or the id is 0. User-interface thread only.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, void* timerProc = nullptr);
// FALSE when no such timer runs on the window.
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// The period of a running timer, 0 when it is not running; lets tests see the timer's state.
UINT GetTimerPeriod(HWND hwnd, UINT_PTR id);
