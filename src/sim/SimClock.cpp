#include "sim/SimClock.h"

#include <thread>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

void CSteadySimClock::Sleep_us(int64_t duration_us) {
#if defined(__linux__)
    // The slack is the thread's own: set for this sleep, then given back.
    constexpr unsigned long kSlack_ns = 1000;
    const int previous = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (previous > 0)
        prctl(PR_SET_TIMERSLACK, kSlack_ns, 0, 0, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(duration_us));
    if (previous > 0)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous), 0, 0, 0);
#else
    std::this_thread::sleep_for(std::chrono::microseconds(duration_us));
#endif
}
