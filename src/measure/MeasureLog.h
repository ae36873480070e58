// This layer's diagnostics category: sharpness from the picture.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogMeasure{"nitidor.measure"};
