// This layer's diagnostics category: the property channel, the mailbox.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogDevice{"nitidor.device"};
