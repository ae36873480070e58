// CLogRepeatFilter: logs a failure at its level, and one that repeats the failure logged
// before it at debug, so a failure that recurs at every poll (a camera gone dead under the
// focus read-out's 100 ms timer, a broken settings file read by every registry call) is
// reported once and then only as chatter. Thread-safe.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/log/Log.h"

class CLogRepeatFilter {
public:
    void Log(LogCategory category, LogLevel level, const char* format, ...)
        NITIDOR_LOG_PRINTF(4, 5);
    // Something succeeded: the next failure is logged at its own level, whatever it is.
    void Reset();

private:
    std::mutex m_mutex;
    std::string m_last;                   // guarded by m_mutex
    std::atomic<bool> m_bHolding{false};  // m_last is not empty; spares successes the lock
};
