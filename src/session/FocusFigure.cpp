#include "session/FocusFigure.h"

#include <cstdio>

#include "platform/ks/VendorPropertySet.h"

bool IsFocusOverflow(LONG value) {
    return value == VENDOR_FOCUS_OVERFLOW;
}

std::string FormatFocusValue(LONG value) {
    if (IsFocusOverflow(value))
        return "Overflow";
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    return text;
}

std::string FormatFocusRecord(int64_t elapsed_ms, LONG value) {
    return std::to_string(elapsed_ms) + "," + FormatFocusValue(value);
}

std::string RegionColumnsHeader() {
    std::string header;
    for (int r = 0; r < kSfrRegionCount; ++r) {
        header += r ? ",mtf50_" : "mtf50_";
        header += SfrRegionKey(static_cast<SfrRegion>(r));
    }
    return header;
}

std::string FormatMtf50(const EdgeSfr& region) {
    if (!region.bEdge)
        return {};
    char text[32];
    std::snprintf(text, sizeof(text), "%.4f", region.mtf50);
    return text;
}

std::string FormatRegionColumns(const RegionSharpness* regions) {
    std::string columns;
    for (int r = 0; r < kSfrRegionCount; ++r) {
        columns += ',';
        if (regions)
            columns += FormatMtf50(regions->regions[r]);
    }
    return columns;
}
