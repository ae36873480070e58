// What the focus history costs the user-interface thread at each tick of the read-out: one
// paint of a full chart (300 figures with a pause, an overflow, the peak and its band), and a
// whole tick (the figure added, the read-outs set, the window painted). At ten ticks a second
// a tick must stay well under a millisecond to keep the history under 1 % of a core; painting
// here is into memory, so the window system's copy to the screen comes on top.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "session/FocusHistory.h"
#include "ui/FocusChart.h"
#include "ui/FocusHistoryWnd.h"

namespace {

// A figure a little like the lens turned through the focus and back, every 100 ms.
LONG Figure(int64_t tick) {
    const int64_t phase = tick % 120;
    const int64_t from_peak = phase < 60 ? 60 - phase : phase - 60;
    return tick % 97 == 0 ? 0x8000 : static_cast<LONG>(19894 - from_peak * from_peak * 5);
}

void FillHistory(CFocusHistory& history, int64_t& now_ms) {
    history.Resume(now_ms);
    for (int64_t tick = 0; tick < 400; ++tick) {
        if (tick == 200)
            history.Pause(now_ms);
        history.Add(now_ms += 100, Figure(tick));
    }
}

void BM_PaintFullChart(benchmark::State& state) {
    CFocusHistory history;
    int64_t now_ms = 0;
    FillHistory(history, now_ms);
    CFocusChart chart(history);
    chart.resize(540, 250);  // as in a window of the size it first opens at
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        chart.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintFullChart)->Unit(benchmark::kMicrosecond);

void BM_TickAndPaintWindow(benchmark::State& state) {
    CFocusHistoryWnd window;
    int64_t now_ms = 0;
    window.SetClock([&now_ms] { return now_ms; });
    window.resize(560, 330);
    for (int64_t tick = 0; tick < 400; ++tick) {
        now_ms += 100;
        window.AddFigure(Figure(tick));
    }
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    int64_t tick = 400;
    for (auto _ : state) {
        now_ms += 100;
        window.AddFigure(Figure(tick++));
        window.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_TickAndPaintWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
