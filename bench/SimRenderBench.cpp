// The simulated camera's pictures: a full-size still and a preview frame at a new lens position
// (each iteration moves the lens a step, so no picture comes from the cache; the sharp chart
// does), with and without tilt, the focus figure at a new position, and a full-size still's
// JPEG encoding once its picture is there; and the pace of the camera's round trips on real time.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/SimClock.h"
#include "sim/SimLensRender.h"
#include "sim/SimScene.h"
#include "sim/SimStill.h"

namespace {

// args: width, height, lens position, tilt X, tilt Y
void BM_RenderAtNewLensPosition(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    SimSceneConfig config;
    config.tiltX = static_cast<int>(state.range(3));
    config.tiltY = static_cast<int>(state.range(4));
    // A step off the first iteration's position, or that would come from the cache.
    config.startPosition = static_cast<int>(state.range(2)) + 1;
    CSimScene scene(config);
    std::vector<BYTE> bgr(static_cast<size_t>(width) * height * 3);
    scene.RenderBgr(width, height, bgr.data(), static_cast<size_t>(width) * 3, false);
    int step = 0;
    for (auto _ : state) {
        scene.SetLensPosition(static_cast<int>(state.range(2)) + (step++ & 1));
        scene.RenderBgr(width, height, bgr.data(), static_cast<size_t>(width) * 3, false);
        benchmark::DoNotOptimize(bgr.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_RenderAtNewLensPosition)
    ->ArgNames({"w", "h", "lens", "tiltX", "tiltY"})
    ->Args({2592, 1944, 420, 40, 0})
    ->Args({2592, 1944, 600, 40, 0})
    ->Args({2592, 1944, 620, 40, 0})
    ->Args({2592, 1944, 600, 30, -50})
    ->Args({2592, 1944, 620, 0, 0})
    ->Args({2592, 1944, 420, 0, 0})
    ->Args({640, 480, 420, 0, 0})
    ->Args({640, 480, 600, 40, 0})
    ->Args({640, 480, 620, 0, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// args: width, height, threads. What the first picture of a size costs before its blur: the
// chart drawn sharp, its coarser levels and their summaries.
void BM_DrawSharpChart(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    for (auto _ : state) {
        const auto chart = BuildSharpChart(width, height, static_cast<int>(state.range(2)));
        benchmark::DoNotOptimize(chart->level[0].plane[1].data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_DrawSharpChart)
    ->ArgNames({"w", "h", "threads"})
    ->Args({2592, 1944, 1})
    ->Args({2592, 1944, 2})
    ->Args({640, 480, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FocusFigureAtNewPosition(benchmark::State& state) {
    CSimScene scene;
    int position = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.FocusFigureAt(position++));
}
BENCHMARK(BM_FocusFigureAtNewPosition)->Arg(420)->Arg(600)->Unit(benchmark::kMillisecond);

// args: JPEG quality (the firmware's is 90). The lens stays, so the picture is the cache's and
// what is timed is the encoding and its copy of the picture.
void BM_EncodeStillJpeg(benchmark::State& state) {
    CSimScene scene;
    const CSimScene::LensState lens = scene.CurrentLens();
    EncodeSceneJpeg(scene, 2592, 1944, 90, lens);
    size_t bytes = 0;
    for (auto _ : state)
        bytes = EncodeSceneJpeg(scene, 2592, 1944, static_cast<int>(state.range(0)), lens).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeStillJpeg)->Arg(90)->Arg(75)->Unit(benchmark::kMillisecond);

// The 308 round trips of a 5 MP raw still's download at the firmware's 250 us each: 77 ms is
// the camera's pace; more is the system timer's.
void BM_RawStillRoundTrips(benchmark::State& state) {
    CSteadySimClock clock;
    for (auto _ : state)
        for (int call = 0; call < 308; ++call)
            clock.Sleep_us(250);
}
BENCHMARK(BM_RawStillRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
