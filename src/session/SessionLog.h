// This layer's diagnostics category: why an operator's sequence ended.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogSession{"nitidor.session"};
