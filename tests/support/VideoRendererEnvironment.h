// Registers the capture stand-in's classes and the video renderer once for a test binary whose
// graphs render a preview.
#pragma once

#include "platform/renderer/VideoRenderer.h"
#include "support/DShowClassesEnvironment.h"

class CVideoRendererEnvironment : public testing::Environment {
public:
    void SetUp() override { RegisterVideoRenderer(); }
};

inline testing::Environment* const g_videoRendererEnvironment =
    testing::AddGlobalTestEnvironment(new CVideoRendererEnvironment);
