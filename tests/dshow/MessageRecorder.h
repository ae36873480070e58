// A widget that records the window messages posted to it.
#pragma once

#include <QWidget>
#include <vector>

#include "platform/win/WindowHandle.h"

class CMessageRecorder : public QWidget {
public:
    std::vector<CWindowMessageEvent> m_messages;

protected:
    bool event(QEvent* e) override {
        if (e->type() == CWindowMessageEvent::EventType()) {
            const auto* m = static_cast<CWindowMessageEvent*>(e);
            m_messages.emplace_back(m->m_message, m->m_wParam, m->m_lParam);
            return true;
        }
        return QWidget::event(e);
    }
};
