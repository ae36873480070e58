#include "platform/log/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/log/LogSink.h"

namespace {

class CStandardErrorSink : public ILogSink {
public:
    bool IsEnabled(const char*, LogLevel level) override { return level != LogLevel::Debug; }
    void Write(const char* category, LogLevel, const char* message) override {
        std::fprintf(stderr, "%s: %s\n", category, message);
    }
};

// Held while a sink is called and while it is replaced: the hand-over waits for a message
// that another thread is writing.
std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

ILogSink* g_pSink = nullptr;  // guarded by SinkMutex; null means the default

ILogSink& DefaultSink() {
    static CStandardErrorSink sink;
    return sink;
}

void LogV(LogCategory category, LogLevel level, const char* format, std::va_list args) {
    std::lock_guard lock(SinkMutex());
    ILogSink& sink = g_pSink ? *g_pSink : DefaultSink();
    if (!sink.IsEnabled(category.name, level))
        return;
    // Diagnostics are a line or two; a longer one is cut rather than allocated for.
    char message[1024];
    std::vsnprintf(message, sizeof message, format, args);
    sink.Write(category.name, level, message);
}

}  // namespace

ILogSink* SetLogSink(ILogSink* sink) {
    std::lock_guard lock(SinkMutex());
    ILogSink* previous = g_pSink;
    g_pSink = sink;
    return previous;
}

void LogDebug(LogCategory category, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    LogV(category, LogLevel::Debug, format, args);
    va_end(args);
}

void LogInfo(LogCategory category, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    LogV(category, LogLevel::Info, format, args);
    va_end(args);
}

void LogWarning(LogCategory category, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    LogV(category, LogLevel::Warning, format, args);
    va_end(args);
}

void LogAt(LogCategory category, LogLevel level, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    LogV(category, level, format, args);
    va_end(args);
}
