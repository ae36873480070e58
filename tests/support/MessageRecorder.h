// CMessageRecorder: a window that records the window messages it receives, for the tests of
// windows and of what posts to them.
#pragma once

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
