#include "platform/dshow/EventQueue.h"

#include <chrono>

#include "platform/win/WinUser.h"

void CEventQueue::Push(LONG code, LONG_PTR param1, LONG_PTR param2) {
    std::lock_guard lock(m_mutex);
    m_events.push_back({code, param1, param2});
    m_cv.notify_all();
    if (m_hwnd)
        PostMessage(m_hwnd, m_message, 0, m_instanceData);
}

HRESULT CEventQueue::Pop(LONG& code, LONG_PTR& param1, LONG_PTR& param2, LONG timeout_ms) {
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return !m_events.empty(); };
    if (timeout_ms < 0) {
        m_cv.wait(lock, ready);
    } else if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready)) {
        return E_ABORT;
    }
    const Event event = m_events.front();
    m_events.pop_front();
    code = event.code;
    param1 = event.param1;
    param2 = event.param2;
    return S_OK;
}

void CEventQueue::SetNotifyWindow(HWND hwnd, UINT message, LONG_PTR instanceData) {
    std::lock_guard lock(m_mutex);
    m_hwnd = hwnd;
    m_message = message;
    m_instanceData = instanceData;
    // Otherwise an event queued before the window was named would wait unnoticed.
    if (m_hwnd && !m_events.empty())
        PostMessage(m_hwnd, m_message, 0, m_instanceData);
}
