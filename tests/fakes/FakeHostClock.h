// A host clock that moves only when a test (or a scripted camera) says so.
#pragma once

#include "device/HostClock.h"

class CFakeHostClock : public IHostClock {
public:
    int64_t Now_ms() const override { return m_now_ms; }
    void Advance(int64_t delta_ms) { m_now_ms += delta_ms; }

private:
    int64_t m_now_ms = 0;
};
