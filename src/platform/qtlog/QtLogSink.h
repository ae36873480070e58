// CQtLogSink: hands the diagnostics of every layer to Qt's logger, one QLoggingCategory per
// category name, so QT_LOGGING_RULES switches ours as it switches Qt's own and Qt writes them
// to standard error. Our categories show information and warnings until a rule says
// otherwise; debug output needs a rule such as "nitidor.capture.debug=true".
#pragma once

#include <QLoggingCategory>
#include <map>
#include <memory>
#include <string>

#include "platform/log/LogSink.h"

class CQtLogSink : public ILogSink {
public:
    // Connects itself for its lifetime, then gives back the sink it replaced.
    CQtLogSink();
    ~CQtLogSink() override;
    CQtLogSink(const CQtLogSink&) = delete;
    CQtLogSink& operator=(const CQtLogSink&) = delete;

    bool IsEnabled(const char* category, LogLevel level) override;
    void Write(const char* category, LogLevel level, const char* message) override;

private:
    QLoggingCategory& Category(const char* name);

    ILogSink* m_pPrevious = nullptr;
    // Made at first use; the log serialises every call, so no lock of its own. A category
    // keeps the pointer to its name: the keys never move.
    std::map<std::string, std::unique_ptr<QLoggingCategory>> m_categories;
};
