// CFocusChart: the strip chart of the focus history window. The last 30 seconds of figures
// run from left to right (the first 30 seconds fill it, then it scrolls), on a round-number
// scale from zero with its values at the left and the seconds since the start below; the held
// peak is a line with its value, the band of good focus under it is shaded, an overflow is
// drawn at the top edge with a red mark, and where the read-out paused the line breaks over a
// grey stretch, named in a key at the top left and by a tip over it. It can also draw the five
// regions' MTF50s, each in its own colour, on a second scale in cycles per pixel at the right,
// breaking where a region had no edge.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

#include "session/FocusScale.h"

class CFocusHistory;
class QPainter;

inline constexpr QRgb kChartPaper = 0xFFFFFFFF;
inline constexpr QRgb kChartGrid = 0xFFE2E2E2;
inline constexpr QRgb kChartText = 0xFF505050;
inline constexpr QRgb kChartPause = 0xFFEDEDED;     // where the read-out paused
inline constexpr QRgb kChartBand = 0xFFD5F0CC;      // pale green
inline constexpr QRgb kChartPeak = 0xFFD2451E;      // orange-red
inline constexpr QRgb kChartFigure = 0xFF1F4E9A;    // dark blue
inline constexpr QRgb kChartOverflow = 0xFFC00000;  // red

// The key's name for a grey stretch, and what the tip over one says.
inline constexpr const char kPauseKeyText[] = "preview paused";
inline constexpr const char kPauseTipText[] =
    "Grey: the preview was stopped, or held while a still was taken; no figures came";

class CFocusChart : public QWidget {
public:
    // Shows `history`, which must outlive the chart; update() after it changes.
    explicit CFocusChart(const CFocusHistory& history, QWidget* parent = nullptr);

    void SetShowRegions(bool bShow);
    bool ShowsRegions() const { return m_bShowRegions; }
    // The regions' scale, from zero to the tenth of a cycle per pixel above the highest MTF50
    // or held peak shown (at least 0.1).
    double RegionTop() const;
    double YOfRegion(double mtf50) const;

    // The scale of the figures shown now and the held peak.
    FocusScale Scale() const;
    // The rectangle the figures are drawn in, inside the labels.
    QRect PlotArea() const;
    // Where a figure and a time fall on the chart as it stands.
    double YOf(double value, const FocusScale& scale) const;
    double XOf(int64_t elapsed_ms) const;
    // The time at the chart's left edge.
    int64_t Start_ms() const;

    // The left and right ends, in the chart's pixels, of each grey stretch shown.
    std::vector<std::pair<int, int>> PauseSpans() const;
    // What the tip at `pos` says: kPauseTipText over a grey stretch, else nothing.
    QString ToolTipAt(const QPoint& pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintPauses(QPainter& painter, const QRect& plot) const;
    void PaintBand(QPainter& painter, const QRect& plot, const FocusScale& scale) const;
    void PaintGrid(QPainter& painter, const QRect& plot, const FocusScale& scale) const;
    void PaintPeak(QPainter& painter, const QRect& plot, const FocusScale& scale) const;
    void PaintFigures(QPainter& painter, const QRect& plot, const FocusScale& scale) const;
    void PaintRegions(QPainter& painter, const QRect& plot) const;
    void PaintKey(QPainter& painter, const QRect& plot, bool bPauses) const;
    std::vector<std::pair<int, int>> PauseSpansIn(const QRect& plot) const;
    QRect PlotAreaFor(const FocusScale& scale) const;

    const CFocusHistory& m_history;
    bool m_bShowRegions = false;
};
