// The simulated camera's sense of time. Everything time-dependent in the simulator asks an
// ISimClock, so tests can step time by hand instead of sleeping.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

class ISimClock {
public:
    virtual ~ISimClock() = default;
    // Milliseconds since an arbitrary origin; never goes backwards.
    virtual int64_t Now_ms() const = 0;
};

// Real time, for the simulated camera the utility finds at run time.
class CSteadySimClock : public ISimClock {
public:
    int64_t Now_ms() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

// Time that moves only when a test says so; safe to read from any thread.
class CManualSimClock : public ISimClock {
public:
    explicit CManualSimClock(int64_t start_ms = 0) : m_now_ms(start_ms) {}
    int64_t Now_ms() const override { return m_now_ms.load(std::memory_order_acquire); }
    void Advance(int64_t delta_ms) { m_now_ms.fetch_add(delta_ms, std::memory_order_acq_rel); }

private:
    std::atomic<int64_t> m_now_ms;
};
