// The fixture base of every test that makes COM objects or task memory: it ends with as many of
// each alive as it began with.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"

class LeakCheckedTest : public testing::Test {
public:
    // Runs before the count. The windowed tests' main delivers posted events here: posted frames
    // and deferred deletions belong to the test that made them.
    static inline void (*s_beforeCount)() = nullptr;

protected:
    // Counted once the fixture's own members, released in reverse order of declaration, are gone.
    ~LeakCheckedTest() override {
        if (s_beforeCount)
            s_beforeCount();
        EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart) << "COM objects left alive";
        EXPECT_EQ(CoTaskMemOutstanding(), m_taskAtStart) << "task memory blocks left over";
    }

    const long m_liveAtStart = ComLiveObjectCount();
    const long m_taskAtStart = CoTaskMemOutstanding();
};
