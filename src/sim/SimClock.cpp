#include "sim/SimClock.h"

#include <algorithm>
#include <thread>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

void CSteadySimClock::Sleep_us(int64_t duration_us) {
    using namespace std::chrono;
    // What the system timer woke this thread late by is taken off its next sleep, so a run of
    // round trips keeps the camera's pace rather than the timer's; never more than one sleep.
    thread_local nanoseconds late{0};
    const nanoseconds wanted = microseconds(std::max<int64_t>(duration_us, 0));
    const nanoseconds asked = wanted - std::min(late, wanted);
    const auto started = steady_clock::now();
#if defined(__linux__)
    // The slack is the thread's own: set for this sleep, then given back.
    constexpr unsigned long kSlack_ns = 1000;
    const int previous = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (previous > 0)
        prctl(PR_SET_TIMERSLACK, kSlack_ns, 0, 0, 0);
    std::this_thread::sleep_for(asked);
    if (previous > 0)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous), 0, 0, 0);
#else
    std::this_thread::sleep_for(asked);
#endif
    const nanoseconds slept = duration_cast<nanoseconds>(steady_clock::now() - started);
    late = std::clamp(late + slept - wanted, nanoseconds{0}, wanted);
}
