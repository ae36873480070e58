#include "platform/qtlog/QtLogSink.h"

CQtLogSink::CQtLogSink() : m_pPrevious(SetLogSink(this)) {}

CQtLogSink::~CQtLogSink() {
    SetLogSink(m_pPrevious);
}

QLoggingCategory& CQtLogSink::Category(const char* name) {
    auto found = m_categories.find(name);
    if (found == m_categories.end()) {
        found = m_categories.emplace(name, nullptr).first;
        found->second = std::make_unique<QLoggingCategory>(found->first.c_str(), QtInfoMsg);
    }
    return *found->second;
}

bool CQtLogSink::IsEnabled(const char* category, LogLevel level) {
    const QLoggingCategory& qtCategory = Category(category);
    switch (level) {
        case LogLevel::Debug:
            return qtCategory.isDebugEnabled();
        case LogLevel::Info:
            return qtCategory.isInfoEnabled();
        case LogLevel::Warning:
            return qtCategory.isWarningEnabled();
    }
    return false;
}

void CQtLogSink::Write(const char* category, LogLevel level, const char* message) {
    const QLoggingCategory& qtCategory = Category(category);
    const QMessageLogger logger;
    switch (level) {
        case LogLevel::Debug:
            logger.debug(qtCategory, "%s", message);
            break;
        case LogLevel::Info:
            logger.info(qtCategory, "%s", message);
            break;
        case LogLevel::Warning:
            logger.warning(qtCategory, "%s", message);
            break;
    }
}
