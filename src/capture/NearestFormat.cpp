#include "capture/NearestFormat.h"

#include <algorithm>
#include <cstdlib>

BOOL ChooseNearestFormat(const CFormatTable& table, LONG width, LONG height,
                         REFERENCE_TIME wanted_100ns, NearestFormat& chosen) {
    DWORD compression = 0;
    if (table.GetCount() == 0 || !table.GetGroupCompression(0, compression))
        return FALSE;
    const std::unique_ptr<FormatSizeList> sizes = table.BuildSizeList(0);
    if (!sizes || sizes->empty())
        return FALSE;
    const auto distance = [&](const FormatSize& s) {
        const int64_t dw = static_cast<int64_t>(s.width) - width;
        const int64_t dh = static_cast<int64_t>(std::llabs(s.height)) - height;
        return dw * dw + dh * dh;
    };
    const FormatSize* best = &sizes->front();
    for (const FormatSize& s : *sizes) {
        const int64_t d = distance(s);
        const int64_t bestD = distance(*best);
        if (d < bestD ||
            (d == bestD && static_cast<int64_t>(s.width) * std::llabs(s.height) <
                               static_cast<int64_t>(best->width) * std::llabs(best->height))) {
            best = &s;
        }
    }
    const CFormatEntry* entry = table.GetEntryAt(best->entryIndex);
    if (!entry)
        return FALSE;
    const REFERENCE_TIME lo = entry->m_caps.MinFrameInterval;
    const REFERENCE_TIME hi = std::max(lo, entry->m_caps.MaxFrameInterval);
    chosen.compression = compression;
    chosen.width = best->width;
    chosen.height = best->height;
    chosen.interval_100ns = lo > 0 ? std::clamp(wanted_100ns, lo, hi) : wanted_100ns;
    return TRUE;
}
