// This layer's diagnostics category: finding the camera, building and running its graph.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogCapture{"nitidor.capture"};
