// This layer's diagnostics category: the simulated camera, and its scripted misbehaviour as it
// fires.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogSim{"nitidor.sim"};
