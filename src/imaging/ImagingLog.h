// This layer's diagnostics category: JPEG decoding, raw stills.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogImaging{"nitidor.imaging"};
