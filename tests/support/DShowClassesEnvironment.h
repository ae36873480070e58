// Registers the capture stand-in's creatable classes once for a test binary that builds real
// graphs (the fake capture world registers its own while it lives). A binary that renders
// also registers the video renderer (RegisterVideoRenderer).
#pragma once

#include <gtest/gtest.h>

#include "platform/dshow/Interfaces.h"

class CDShowClassesEnvironment : public testing::Environment {
public:
    void SetUp() override { RegisterDShowClasses(); }
};

inline testing::Environment* const g_dshowClassesEnvironment =
    testing::AddGlobalTestEnvironment(new CDShowClassesEnvironment);
