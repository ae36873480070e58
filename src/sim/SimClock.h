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
    // Lets `duration_us` of this clock's time pass on the calling thread, as a camera does
    // while it answers a request.
    virtual void Sleep_us(int64_t duration_us) = 0;
};

// Real time, for the simulated camera the utility finds at run time.
class CSteadySimClock : public ISimClock {
public:
    int64_t Now_ms() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    // With a timer slack of a microsecond: the system's default lets a sleeper wake 50 us
    // late, a fifth of a round trip, which a camera's answer is not. A wake-up later than
    // that is made up on the thread's next sleep, so many sleeps last their sum on average.
    void Sleep_us(int64_t duration_us) override;
};

// Time that moves only when a test says so; safe to read from any thread. A sleep on it
// returns at once and moves nothing: the camera answers in no time of the test's.
class CManualSimClock : public ISimClock {
public:
    explicit CManualSimClock(int64_t start_ms = 0) : m_now_ms(start_ms) {}
    int64_t Now_ms() const override { return m_now_ms.load(std::memory_order_acquire); }
    void Advance(int64_t delta_ms) { m_now_ms.fetch_add(delta_ms, std::memory_order_acq_rel); }
    void Sleep_us(int64_t /*duration_us*/) override {}

private:
    std::atomic<int64_t> m_now_ms;
};
