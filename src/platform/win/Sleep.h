// Millisecond sleep of the calling thread. Tests replace it with a hook that records the
// pause instead of waiting.
#pragma once

#include <functional>

#include "platform/com/Types.h"

void Sleep(DWORD duration_ms);

using SleepHook = std::function<void(DWORD duration_ms)>;
// Installs `hook` (empty restores real sleeping) and returns the one it replaces.
SleepHook SetSleepHook(SleepHook hook);
