// Message boxes. Every box of the application goes through MessageBox, so tests can install
// a hook that observes the box and answers it without running a modal loop.
#pragma once

#include <functional>
#include <string>

#include "platform/win/WinTypes.h"

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

struct MessageBoxCall {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = MB_OK;
};

// Shows a modal box (or hands it to the hook) and returns the button pressed (IDOK).
int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// The framework's box: the application's name as caption, its main window as owner, and the
// exclamation icon when the caller names none.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);

using MessageBoxHook = std::function<int(const MessageBoxCall& call)>;
// Installs `hook` (empty restores real boxes) and returns the one it replaces.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
