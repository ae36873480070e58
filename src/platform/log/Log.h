// Writing a diagnostic: printf-style, under a layer's category, to the connected sink
// (LogSink.h). Thread-safe. Statuses are printed in hex as 0x%08X of LogStatus(status).
#pragma once

#include <cstdint>

#include "platform/log/LogLevel.h"

#if defined(__GNUC__)
#define NITIDOR_LOG_PRINTF(formatIndex, firstArg) \
    __attribute__((format(printf, formatIndex, firstArg)))
#else
#define NITIDOR_LOG_PRINTF(formatIndex, firstArg)
#endif

void LogDebug(LogCategory category, const char* format, ...) NITIDOR_LOG_PRINTF(2, 3);
void LogInfo(LogCategory category, const char* format, ...) NITIDOR_LOG_PRINTF(2, 3);
void LogWarning(LogCategory category, const char* format, ...) NITIDOR_LOG_PRINTF(2, 3);
// For a caller that decides the level at run time.
void LogAt(LogCategory category, LogLevel level, const char* format, ...) NITIDOR_LOG_PRINTF(3, 4);

// An HRESULT, LSTATUS or DWORD as the unsigned value "%08X" expects.
constexpr unsigned LogStatus(int32_t status) {
    return static_cast<uint32_t>(status);
}
constexpr unsigned LogStatus(uint32_t status) {
    return status;
}
