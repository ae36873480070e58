// The focus chart painted offscreen and read back pixel by pixel at the places the figures,
// the held peak, the band, a pause and an overflow must be drawn.
#include "ui/FocusChart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "session/FocusHistory.h"
#include "ui/RegionReadout.h"

namespace {

constexpr LONG kOverflow = 0x8000;

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class FocusChartTest : public ::testing::Test {
protected:
    FocusChartTest() : chart(history) { chart.resize(600, 300); }

    void Paint() { shot = chart.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRgb At(double x, double y) const { return shot.pixel(qRound(x), qRound(y)); }
    int X(int64_t elapsed_ms) const { return qRound(chart.XOf(elapsed_ms)); }
    int Y(double value) const { return qRound(chart.YOf(value, chart.Scale())); }
    // Whether the figure line passes within two rows of (x, y); its edges are smoothed.
    bool LineNear(int x, int y) const {
        for (int dy = -2; dy <= 2; ++dy) {
            if (Near(shot.pixel(x, y + dy), kChartFigure, 100))
                return true;
        }
        return false;
    }
    // Whether the figure line touches the column anywhere inside the plot.
    bool LineInColumn(int x) const {
        const QRect plot = chart.PlotArea();
        for (int y = plot.top() + 1; y < plot.bottom(); ++y) {
            if (Near(shot.pixel(x, y), kChartFigure, 100))
                return true;
        }
        return false;
    }
    void Figures(int64_t from_ms, int64_t to_ms, LONG value) {
        for (int64_t t_ms = from_ms; t_ms <= to_ms; t_ms += 100)
            history.Add(t_ms, value);
    }

    // Pixels of the pause's grey in the key's corner of the plot.
    int PauseInKey() const {
        const QRect plot = chart.PlotArea();
        int count = 0;
        for (int y = plot.top() + 1; y < plot.top() + 20; ++y) {
            for (int x = plot.left() + 1; x < plot.left() + 30; ++x)
                count += shot.pixel(x, y) == kChartPause;
        }
        return count;
    }

    CFocusHistory history;
    CFocusChart chart;
    QImage shot;
};

TEST_F(FocusChartTest, PeakLineBandFiguresAndAPause) {
    history.Resume(0);
    Figures(100, 2000, 11000);
    history.Add(2100, 20000);
    Figures(2200, 3000, 11000);
    history.Pause(3000);
    history.Resume(8000);
    Figures(8100, 10000, 11000);
    Paint();

    const int empty = X(17500);  // no figure, no grid line, no label
    EXPECT_EQ(At(empty, Y(20000)), kChartPeak) << "the held peak across the whole chart";
    EXPECT_EQ(At(empty, Y(19000)), kChartBand) << "inside the band";
    EXPECT_EQ(At(empty, Y(18100)), kChartBand) << "at the band's edge";
    EXPECT_EQ(At(empty, Y(17000)), kChartPaper) << "below the band";

    EXPECT_TRUE(LineNear(X(1000), Y(11000))) << "before the pause";
    EXPECT_TRUE(LineNear(X(9000), Y(11000))) << "after it";
    EXPECT_FALSE(LineInColumn(X(5500))) << "no line across the pause";
    EXPECT_EQ(At(X(5500), Y(11000)), kChartPause);
    // (Right of the key, which sits over the top-left corner.)
    EXPECT_EQ(At(X(7500), Y(19000)), kChartPause) << "the pause shows over the band too";
    EXPECT_EQ(At(X(5500), Y(20000)), kChartPeak) << "the peak is held through it";
    EXPECT_FALSE(LineInColumn(X(12500))) << "nothing after the last figure";

    // The grey is named: by a tip over it, and by a swatch in the key at the top left.
    EXPECT_EQ(chart.ToolTipAt({X(5500), Y(11000)}).toStdString(), kPauseTipText);
    EXPECT_TRUE(chart.ToolTipAt({X(1000), Y(11000)}).isEmpty());
    EXPECT_TRUE(chart.ToolTipAt({X(5500), chart.PlotArea().bottom() + 5}).isEmpty());
    EXPECT_GT(PauseInKey(), 20);
    history.Clear();
    Figures(0, 1000, 11000);
    Paint();
    EXPECT_EQ(PauseInKey(), 0) << "no key for a grey that is not there";
}

TEST_F(FocusChartTest, OverflowSitsOnTheTopEdgeMarkedAndALoneFigureIsADot) {
    history.Resume(0);
    history.Add(1000, 5000);
    history.Add(1100, kOverflow);
    history.Add(1200, 5000);
    history.Pause(1200);
    history.Add(5000, 2500);  // alone between two pauses
    history.Pause(5000);
    Figures(9000, 9500, 5000);
    ASSERT_EQ(chart.Scale().top, 5000) << "an overflow does not stretch the scale";
    Paint();
    const QRect plot = chart.PlotArea();
    const int x = X(1100);
    EXPECT_EQ(At(x, plot.top() - 3), kChartOverflow) << "the mark above the top edge";
    EXPECT_TRUE(LineNear(x, plot.top() + 1)) << "the line reaches the top edge";
    EXPECT_FALSE(Near(At(X(3000), plot.top() - 3), kChartOverflow, 60)) << "one mark only";
    EXPECT_TRUE(LineNear(X(5000), Y(2500))) << "the lone figure";
}

TEST_F(FocusChartTest, RegionsRunOnTheirOwnScaleAndBreakWhereARegionHadNoEdge) {
    history.Resume(0);
    const float none = std::nanf("");
    for (int64_t t_ms = 100; t_ms <= 10000; t_ms += 100) {
        const bool gap = t_ms > 4000 && t_ms < 7000;
        history.Add(t_ms, 11000);
        history.AddRegions(t_ms, {0.23f, 0.05f, gap ? none : 0.12f, 0.05f, 0.05f});
    }
    chart.SetShowRegions(false);
    const QRect without = chart.PlotArea();
    chart.SetShowRegions(true);
    EXPECT_LT(chart.PlotArea().right(), without.right()) << "room for the regions' scale";
    EXPECT_DOUBLE_EQ(chart.RegionTop(), 0.3) << "the next tenth above the highest";
    Paint();
    auto traceNear = [&](SfrRegion region, int64_t t_ms, double mtf50) {
        const int x = X(t_ms);
        const int y = qRound(chart.YOfRegion(mtf50));
        for (int dy = -2; dy <= 2; ++dy) {
            if (Near(shot.pixel(x, y + dy), RegionTraceRgb(region), 60))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(traceNear(SfrRegion::Centre, 2000, 0.23));
    EXPECT_TRUE(traceNear(SfrRegion::TopRight, 2000, 0.12));
    EXPECT_FALSE(traceNear(SfrRegion::TopRight, 5500, 0.12)) << "no edge: no line";
    EXPECT_TRUE(traceNear(SfrRegion::TopRight, 8000, 0.12));
    EXPECT_TRUE(LineNear(X(2000), Y(11000))) << "the figure's line is still drawn";
}

TEST_F(FocusChartTest, EmptyChartHasNoPeakAndNoLine) {
    Paint();
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            ASSERT_FALSE(Near(shot.pixel(x, y), kChartPeak, 30)) << x << "," << y;
            ASSERT_FALSE(Near(shot.pixel(x, y), kChartFigure, 30)) << x << "," << y;
        }
    }
}

TEST_F(FocusChartTest, AfterThirtySecondsItScrollsAndOldFiguresLeaveTheScale) {
    history.Resume(0);
    Figures(100, 1000, 50000);
    EXPECT_EQ(chart.Start_ms(), 0) << "the first thirty seconds fill the chart";
    Figures(1100, 45000, 1000);
    EXPECT_EQ(chart.Start_ms(), 15000);
    EXPECT_EQ(chart.Scale().top, 50000) << "the held peak keeps its place on the scale";
    history.ResetPeak();
    EXPECT_EQ(chart.Scale().top, 1000) << "figures scrolled out no longer count";
    const QRect plot = chart.PlotArea();
    EXPECT_EQ(X(45000), plot.left() + plot.width());
    EXPECT_EQ(X(15000), plot.left());
    Paint();
    EXPECT_TRUE(LineNear(X(30000), Y(1000)));
}

}  // namespace
