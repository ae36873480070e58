#include "app/CommandLineJson.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "session/FocusFigure.h"

namespace {

QJsonValue Number(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue Figure(const std::optional<LONG>& value) {
    return value ? QJsonValue(static_cast<qint64>(*value)) : QJsonValue(QJsonValue::Null);
}

QJsonObject Mtf50(const std::array<std::optional<double>, kSfrRegionCount>& mtf50) {
    QJsonObject regions;
    for (int i = 0; i < kSfrRegionCount; ++i)
        regions.insert(QLatin1String(SfrRegionKey(static_cast<SfrRegion>(i))), Number(mtf50[i]));
    return regions;
}

QJsonObject Stats(const FigureStats& stats) {
    QJsonObject o{{"samples", static_cast<qint64>(stats.samples)},
                  {"overflows", static_cast<qint64>(stats.overflows)},
                  {"min", Figure(stats.min)},
                  {"median", Figure(stats.median)},
                  {"max", Figure(stats.max)}};
    o.insert("peak_ms", stats.max ? QJsonValue(static_cast<qint64>(stats.peak_ms))
                                  : QJsonValue(QJsonValue::Null));
    return o;
}

QJsonValue Regions(const RegionStats& stats) {
    QJsonObject o{{"readings", static_cast<qint64>(stats.readings)},
                  {"mtf50", Mtf50(stats.median)}};
    o.insert("tilt", stats.tilt.bValid
                         ? QJsonValue(QJsonObject{{"x_percent", stats.tilt.x_percent},
                                                  {"y_percent", stats.tilt.y_percent}})
                         : QJsonValue(QJsonValue::Null));
    return o;
}

QJsonValue Limit(const LimitResult& limit) {
    QJsonObject o{{"option", QLatin1String(limit.option)},
                  {"limit", limit.limit},
                  {"measured", Number(limit.measured)},
                  {"met", limit.bMet}};
    if (!limit.where.empty())
        o.insert("where", QString::fromStdString(limit.where));
    return o;
}

QJsonValue Still(const RunSummary& s) {
    if (s.stillPath.isEmpty())
        return QJsonValue::Null;
    QJsonObject still{{"file", s.stillPath}};
    still.insert("stream",
                 s.streamPath.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s.streamPath));
    if (s.stillRegions)
        still.insert("mtf50", Mtf50(s.stillRegions->mtf50));
    return still;
}

const char* Verdict(int exitCode) {
    switch (exitCode) {
        case kExitDone:
            return "pass";
        case kExitLimitMissed:
            return "fail";
        default:
            return "error";
    }
}

}  // namespace

QJsonObject FigureJson(int64_t elapsed_ms, LONG value, bool bRegions,
                       const RegionReadout* reading) {
    const bool bOverflow = IsFocusOverflow(value);
    QJsonObject o{{"type", "figure"},
                  {"elapsed_ms", static_cast<qint64>(elapsed_ms)},
                  {"figure", bOverflow ? QJsonValue(QJsonValue::Null)
                                       : QJsonValue(static_cast<qint64>(value))},
                  {"overflow", bOverflow}};
    if (bRegions)
        o.insert("mtf50", Mtf50(reading ? reading->mtf50 : RegionReadout().mtf50));
    return o;
}

QJsonObject SummaryJson(const RunSummary& s) {
    QJsonObject o{{"type", "summary"},
                  {"exit_code", s.exitCode},
                  {"verdict", QLatin1String(Verdict(s.exitCode))}};
    o.insert("message", s.failure.empty() ? QJsonValue(QJsonValue::Null)
                                          : QJsonValue(QString::fromStdString(s.failure)));
    QJsonValue focus = QJsonValue::Null;
    if (s.focus) {
        QJsonObject f = Stats(*s.focus);
        if (s.lastSecond) {
            QJsonObject last = Stats(*s.lastSecond);
            last.insert("from_ms", static_cast<qint64>(s.lastSecondFrom_ms));
            f.insert("last_second", last);
        }
        focus = f;
    }
    o.insert("focus", focus);
    o.insert("regions", s.regions ? Regions(*s.regions) : QJsonValue(QJsonValue::Null));
    QJsonArray limits;
    for (const LimitResult& limit : s.limits)
        limits.append(Limit(limit));
    o.insert("limits", limits);
    o.insert("still", Still(s));
    return o;
}

std::string JsonLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}
