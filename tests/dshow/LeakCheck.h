// Every test ends with no COM object alive and no task memory outstanding.
#pragma once

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"

class LeakCheckedTest : public testing::Test {
protected:
    void SetUp() override {
        m_objects = ComLiveObjectCount();
        m_blocks = CoTaskMemOutstanding();
    }
    void TearDown() override {
        // Posted frames and deferred deletions belong to the test that made them.
        QCoreApplication::processEvents();
        EXPECT_EQ(ComLiveObjectCount(), m_objects);
        EXPECT_EQ(CoTaskMemOutstanding(), m_blocks);
    }

private:
    long m_objects = 0;
    long m_blocks = 0;
};
