// Message boxes. Every box of the application goes through MessageBox, so tests can install
// a hook that observes the box and answers it without running a modal loop.
#pragma once

#include <functional>
#include <string>

#include "platform/win/WinTypes.h"
#include "platform/win/WinUser.h"

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
