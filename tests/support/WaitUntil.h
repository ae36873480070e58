// Waits, without Qt, until a condition that another thread makes true holds (frames, events),
// for the test binaries that run no event loop.
#pragma once

#include <chrono>
#include <thread>

// Whether `done()` came true before a deadline far beyond any machine's need: the caller asserts
// on the result, never on timing.
template <class Done>
bool WaitUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
