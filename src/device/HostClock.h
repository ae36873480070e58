// IHostClock: the host's sense of time for the bounded waits on the camera. Injectable, so
// tests and fuzzers step time by hand and a bound is reached without anyone sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

class IHostClock {
public:
    virtual ~IHostClock() = default;
    // Milliseconds since an arbitrary origin; never goes backwards.
    virtual int64_t Now_ms() const = 0;
};

// Real time, for the camera the utility drives.
class CSteadyHostClock : public IHostClock {
public:
    int64_t Now_ms() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

// The one real-time clock every channel starts with.
inline std::shared_ptr<IHostClock> SteadyHostClock() {
    static const std::shared_ptr<IHostClock> clock = std::make_shared<CSteadyHostClock>();
    return clock;
}

// A point `timeout_ms` after now on `clock`, shared by every step of one transfer.
class CDeadline {
public:
    CDeadline(const IHostClock& clock, int64_t timeout_ms)
        : m_clock(clock), m_at_ms(clock.Now_ms() + timeout_ms), m_timeout_ms(timeout_ms) {}
    bool Passed() const { return m_clock.Now_ms() >= m_at_ms; }
    // The bound it was made with, for what a caller reports when it passes.
    int64_t Timeout_ms() const { return m_timeout_ms; }

private:
    const IHostClock& m_clock;
    int64_t m_at_ms;
    int64_t m_timeout_ms;
};
