#include "platform/win/Sleep.h"

#include <chrono>
#include <thread>
#include <utility>

namespace {
SleepHook& Hook() {
    static SleepHook hook;
    return hook;
}
}  // namespace

void Sleep(DWORD duration_ms) {
    if (Hook()) {
        Hook()(duration_ms);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
}

SleepHook SetSleepHook(SleepHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
