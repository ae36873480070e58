// The window system's constants and its one call that layers without a window toolkit make:
// window messages, system commands, message-box types and button ids, and PostMessage.
#pragma once

#include "platform/win/WinTypes.h"

inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr UINT SC_CLOSE = 0xF060;

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
// Button ids, which are also the dialog framework's OK and Cancel commands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Queues the message for the window from any thread; FALSE when the window no longer exists
// or no window system is running.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The window system's own PostMessage, installed by the window layer when it hands out its
// first window handle; nothing can be posted before a handle exists.
using WindowMessagePoster = BOOL (*)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void SetWindowMessagePoster(WindowMessagePoster poster);
