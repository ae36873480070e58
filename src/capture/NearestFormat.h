// The format a video-only camera is started in: its figure comes from its frames, so it is
// asked for a size and a rate near the ones wanted rather than exactly those.
#pragma once

#include "capture/FormatTable.h"

struct NearestFormat {
    DWORD compression = 0;
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME interval_100ns = 0;  // within the entry's range
};

// In the first compression group: the entry of exactly width x height if there is one, else
// the nearest size (by the squared distance of the sides; the smaller on a tie), at the frame
// interval wanted or the nearest end of the entry's range. FALSE for an empty table.
BOOL ChooseNearestFormat(const CFormatTable& table, LONG width, LONG height,
                         REFERENCE_TIME wanted_100ns, NearestFormat& chosen);
