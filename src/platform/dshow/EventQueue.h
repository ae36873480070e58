// CEventQueue: the filter graph's queue of events. Filters push from any thread; the
// application takes them with a time-out and may be told of each one by a posted message.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/win/WinTypes.h"

class CEventQueue {
public:
    void Push(LONG code, LONG_PTR param1, LONG_PTR param2);
    // E_ABORT when nothing arrived within timeout_ms (negative: wait for ever).
    HRESULT Pop(LONG& code, LONG_PTR& param1, LONG_PTR& param2, LONG timeout_ms);
    // hwnd null stops the notification. Events already waiting are announced once.
    void SetNotifyWindow(HWND hwnd, UINT message, LONG_PTR instanceData);

private:
    struct Event {
        LONG code;
        LONG_PTR param1;
        LONG_PTR param2;
    };

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Event> m_events;
    HWND m_hwnd = nullptr;
    UINT m_message = 0;
    LONG_PTR m_instanceData = 0;
};
