// Registers the capture stand-in's classes and the video renderer once for a test binary whose
// graphs render a preview.
#pragma once

#include "platform/renderer/VideoRenderer.h"
#include "support/DShowClassesEnvironment.h"

inline testing::Environment* const g_videoRendererEnvironment =
    testing::AddGlobalTestEnvironment(new CRegistrationEnvironment<RegisterVideoRenderer>);
