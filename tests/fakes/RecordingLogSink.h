// CRecordingLogSink: a diagnostics sink that keeps every message at every level, connected for
// its lifetime (the sink it replaced is connected again after), so a test can tell what a
// failure logged.
#pragma once

#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/log/LogSink.h"

class CRecordingLogSink : public ILogSink {
public:
    struct Entry {
        std::string category;
        LogLevel level;
        std::string message;
    };

    CRecordingLogSink() : m_pPrevious(SetLogSink(this)) {}
    ~CRecordingLogSink() override { SetLogSink(m_pPrevious); }
    CRecordingLogSink(const CRecordingLogSink&) = delete;
    CRecordingLogSink& operator=(const CRecordingLogSink&) = delete;

    bool IsEnabled(const char*, LogLevel) override { return true; }
    void Write(const char* category, LogLevel level, const char* message) override {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({category, level, message});
    }

    std::vector<Entry> Entries() const {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    // How many messages of `category` at `level` contain every one of `parts`.
    int Count(LogCategory category, LogLevel level,
              std::initializer_list<std::string_view> parts) const {
        int count = 0;
        for (const Entry& entry : Entries()) {
            bool all = entry.category == category.name && entry.level == level;
            for (std::string_view part : parts)
                all = all && entry.message.find(part) != std::string::npos;
            count += all ? 1 : 0;
        }
        return count;
    }

private:
    ILogSink* m_pPrevious;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
