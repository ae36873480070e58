#include "platform/log/LogRepeatFilter.h"

#include <cstdarg>
#include <cstdio>

void CLogRepeatFilter::Log(LogCategory category, LogLevel level, const char* format, ...) {
    char message[512];
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    {
        std::lock_guard lock(m_mutex);
        if (m_bHolding.load() && m_last == message)
            level = LogLevel::Debug;
        m_last = message;
        m_bHolding.store(true);
    }
    LogAt(category, level, "%s", message);
}

void CLogRepeatFilter::Reset() {
    if (!m_bHolding.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(m_mutex);
    m_last.clear();
    m_bHolding.store(false);
}
