// Runs the Qt event loop until a condition holds, for what arrives by posted events or from
// another thread (frames, window timers, graph notifications).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <thread>

// Whether `done()` came true before a deadline far beyond any machine's need: the caller asserts
// on the result, never on timing.
template <class Done>
bool SpinUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Leaves the processor to the threads being waited for between rounds.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
