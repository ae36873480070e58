// Registers the capture stand-in's classes and the null renderer once for a test binary whose
// graphs render a preview without windows (the renderer hands frames to its tap and drops them).
#pragma once

#include "platform/dshow/NullRenderer.h"
#include "support/DShowClassesEnvironment.h"

inline testing::Environment* const g_nullRendererEnvironment =
    testing::AddGlobalTestEnvironment(new CRegistrationEnvironment<RegisterNullRenderer>);
