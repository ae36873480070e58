// The capture framework's diagnostics category: graph negotiation (pins connecting, formats
// set, filters run, paused and stopped) as debug traces, and a live stream's failures; and how
// its names and media types read in a trace.
#pragma once

#include <string>

#include "platform/dshow/MediaTypes.h"
#include "platform/log/LogLevel.h"

inline constexpr LogCategory kLogDShow{"nitidor.dshow"};

// A filter's or pin's name as plain text; characters beyond ASCII read as '?'.
std::string LogName(const wchar_t* name);
// "YUY2 640 x 480", "RGB24 320 x -240", or what is known of a type without a video format.
std::string LogMediaType(const AM_MEDIA_TYPE& mt);
