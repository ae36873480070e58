// Helpers for tests of windows and of what posts to them: a widget that records the window
// messages it receives, and an event loop run until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <tuple>
#include <vector>

#include "platform/mfc/WindowHandle.h"

class CMessageRecorder : public QWidget {
public:
    using Message = std::tuple<UINT, WPARAM, LPARAM>;
    std::vector<Message> m_messages;
    std::function<void(const Message&)> m_onMessage;  // runs after each one is recorded

protected:
    bool event(QEvent* e) override {
        if (e->type() != CWindowMessageEvent::EventType())
            return QWidget::event(e);
        const auto* m = static_cast<CWindowMessageEvent*>(e);
        m_messages.emplace_back(m->m_message, m->m_wParam, m->m_lParam);
        if (m_onMessage)
            m_onMessage(m_messages.back());
        return true;
    }
};

using MessageList = std::vector<CMessageRecorder::Message>;

// Runs the event loop until `done` or a deadline far beyond any machine's need; the caller
// asserts on the result, never on timing.
template <class Pred>
bool SpinUntil(Pred done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}
