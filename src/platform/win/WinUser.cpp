#include "platform/win/WinUser.h"

#include <atomic>

namespace {
std::atomic<const WindowSystem*> g_system{nullptr};
}  // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowSystem* system = g_system.load(std::memory_order_acquire);
    return system ? system->postMessage(hwnd, message, wParam, lParam) : FALSE;
}

HWND FindWindow(const char* className, const char* title) {
    const WindowSystem* system = g_system.load(std::memory_order_acquire);
    return system ? system->findWindow(className, title) : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    const WindowSystem* system = g_system.load(std::memory_order_acquire);
    return system ? system->destroyWindow(hwnd) : FALSE;
}

void SetWindowSystem(const WindowSystem* system) {
    g_system.store(system, std::memory_order_release);
}
