// Registers the capture stand-in's creatable classes and the video renderer once for a test
// binary that builds real graphs (the fake capture world registers its own while it lives).
#pragma once

#include <gtest/gtest.h>

#include "platform/dshow/Interfaces.h"
#include "platform/renderer/VideoRenderer.h"

class CDShowClassesEnvironment : public testing::Environment {
public:
    void SetUp() override {
        RegisterDShowClasses();
        RegisterVideoRenderer();
    }
};

inline testing::Environment* const g_dshowClassesEnvironment =
    testing::AddGlobalTestEnvironment(new CDShowClassesEnvironment);
