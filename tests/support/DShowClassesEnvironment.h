// Registers the capture stand-in's creatable classes once for a test binary that builds real
// graphs (the fake capture world registers its own while it lives). A binary that renders
// also registers the video renderer (RegisterVideoRenderer).
#pragma once

#include <gtest/gtest.h>

#include "platform/dshow/Interfaces.h"

// Calls a registration once, before the binary's first test.
template <void (*Register)()>
class CRegistrationEnvironment : public testing::Environment {
public:
    void SetUp() override { Register(); }
};

inline testing::Environment* const g_dshowClassesEnvironment =
    testing::AddGlobalTestEnvironment(new CRegistrationEnvironment<RegisterDShowClasses>);
