// The JSON objects a run from the command line prints with --json, one a line: each figure as
// it comes, then the summary of the run.
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLineVerdict.h"

// What the summary object tells of a run.
struct RunSummary {
    int exitCode = kExitDone;
    std::string failure;               // the line that ended the run, without the program's name
    std::optional<FigureStats> focus;  // the whole focus run; none without --focus
    std::optional<FigureStats> lastSecond;  // the stretch the limits judge
    int64_t lastSecondFrom_ms = 0;
    std::optional<RegionStats> regions;  // the last second's; none without --regions
    std::vector<LimitResult> limits;
    QString stillPath, streamPath;  // as written; empty when not
    std::optional<RegionReadout> stillRegions;
};

// {"type":"figure","elapsed_ms":1200,"figure":19894,"overflow":false,"mtf50":{"c":0.2817,...}}:
// "figure" is null for an overflow; "mtf50" only with `bRegions`, null where a region has no
// edge (all five before the first measurement, `reading` null).
QJsonObject FigureJson(int64_t elapsed_ms, LONG value, bool bRegions, const RegionReadout* reading);
QJsonObject SummaryJson(const RunSummary& summary);
// The object on one line, with its line end.
std::string JsonLine(const QJsonObject& object);
