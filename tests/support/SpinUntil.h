// Runs the Qt event loop until a condition holds, for what arrives by posted events or from
// another thread (frames, window timers, graph notifications).
#pragma once

#include <QCoreApplication>

#include "support/WaitUntil.h"

// Whether `done()` came true, events delivered between looks, within WaitUntil's deadline.
template <class Done>
bool SpinUntil(Done done) {
    return WaitUntil([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    });
}
