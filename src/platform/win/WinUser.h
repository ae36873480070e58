// The window system as layers without a window toolkit see it: window messages, system
// commands, message-box types and button ids, and the calls that take only a window handle.
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
// or no window system runs.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The first top-level window whose title equals `title` exactly, visible or not, or null.
// The class name is not looked at (null matches any class). User-interface thread only.
HWND FindWindow(const char* className, const char* title);
// Destroys the window at once (and its children). User-interface thread only.
BOOL DestroyWindow(HWND hwnd);

// The window system behind the three calls above. The window layer installs its own when it
// starts; until then nothing can be posted to, found or destroyed.
struct WindowSystem {
    BOOL (*postMessage)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND (*findWindow)(const char* className, const char* title);
    BOOL (*destroyWindow)(HWND hwnd);
};
void SetWindowSystem(const WindowSystem* system);
