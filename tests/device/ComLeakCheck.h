// Every device test ends with no COM object alive and no task memory outstanding.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"

class ComLeakCheck : public ::testing::Test {
protected:
    // Checked after the fixture's own members, which may hold objects, are gone.
    ~ComLeakCheck() override {
        EXPECT_EQ(ComLiveObjectCount(), m_liveBefore);
        EXPECT_EQ(CoTaskMemOutstanding(), m_memoryBefore);
    }

private:
    long m_liveBefore = ComLiveObjectCount();
    long m_memoryBefore = CoTaskMemOutstanding();
};
