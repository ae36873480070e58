// This layer's diagnostics category: the settings file.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogRegistry{"nitidor.registry"};
