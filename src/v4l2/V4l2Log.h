// This layer's diagnostics category: real cameras through the Linux video capture interface.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogV4l2{"nitidor.v4l2"};
