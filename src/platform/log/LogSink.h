// ILogSink: where the diagnostics of every layer go. Qt-free, so the layers below Qt log the
// same way as those above it; the application connects a sink that hands each message to Qt's
// logger (platform/qtlog), where QT_LOGGING_RULES switches the categories.
#pragma once

#include "platform/log/LogLevel.h"

class ILogSink {
public:
    virtual ~ILogSink() = default;
    // Asked before a message is formatted; a message of a disabled level costs nothing more.
    virtual bool IsEnabled(const char* category, LogLevel level) = 0;
    // One message, without a final line break.
    virtual void Write(const char* category, LogLevel level, const char* message) = 0;
};

// Connects `sink` (null: the default) and returns the one it replaces (null for the default).
// Calls into sinks are serialised, so once this returns the replaced sink is called no more
// and may be destroyed. A sink must not log itself.
//
// The default writes information and warnings to standard error as "category: message" and
// drops debug output: the same messages Qt's logger shows for our categories when no rule is
// set, so a tool that never connects Qt (a fuzzer, a benchmark, a test without windows) still
// reports what fails, and a quiet run stays quiet.
ILogSink* SetLogSink(ILogSink* sink);
