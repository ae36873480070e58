// The focus figure as the operator reads it.
#pragma once

#include <cstdint>
#include <string>

#include "measure/RegionSharpness.h"
#include "platform/com/Types.h"

// The columns of a focus record as the focus history saves them and the command line prints
// them: milliseconds since the preview started, then the figure as the read-out shows it.
inline constexpr const char* kFocusRecordHeader = "elapsed_ms,figure";

// The five columns the regions add to a record: "mtf50_c,mtf50_tl,mtf50_tr,mtf50_bl,mtf50_br".
std::string RegionColumnsHeader();
// An MTF50 as a record has it, four decimals ("0.2817"); "" for a region without an edge.
std::string FormatMtf50(const EdgeSfr& region);
// The five regions' columns, each led by its comma: ",0.2817,0.2450,,0.2511,0.2498"; all five
// empty when nothing was measured.
std::string FormatRegionColumns(const RegionSharpness* regions);

// The firmware's figure when its measure ran out of range (exactly 0x8000).
bool IsFocusOverflow(LONG value);
// "Overflow" for exactly 0x8000, the figure the firmware sends when its measure ran out of
// range; any other value, negative ones included, as a signed decimal number.
std::string FormatFocusValue(LONG value);
// One focus record without its line end: "1200,19894", or "1300,Overflow".
std::string FormatFocusRecord(int64_t elapsed_ms, LONG value);
