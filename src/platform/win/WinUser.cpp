#include "platform/win/WinUser.h"

#include <atomic>

namespace {
std::atomic<WindowMessagePoster> g_poster{nullptr};
}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowMessagePoster poster = g_poster.load(std::memory_order_acquire);
    return poster ? poster(hwnd, message, wParam, lParam) : FALSE;
}

void SetWindowMessagePoster(WindowMessagePoster poster) {
    g_poster.store(poster, std::memory_order_release);
}
