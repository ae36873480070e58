// The user-interface thread, which owns every window: whether the caller is on it, and work
// handed to it from a streaming thread.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

// False before the application object exists and on any other thread.
inline bool OnUiThread() {
    return qApp && QThread::currentThread() == qApp->thread();
}

// Runs `f` at once on the user-interface thread, or queues it there from any other; without an
// application object there is no such thread, and it is dropped.
template <class F>
void RunOnUiThread(F&& f) {
    if (OnUiThread()) {
        f();
    } else if (qApp) {
        QMetaObject::invokeMethod(qApp, std::forward<F>(f), Qt::QueuedConnection);
    }
}
