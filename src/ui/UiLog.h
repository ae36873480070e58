// This layer's diagnostics category: the dialogs and the application object.
#pragma once

#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogUi{"nitidor.ui"};
