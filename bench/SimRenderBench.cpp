// The simulated camera's pictures: a full-size still and a preview frame at a new lens position
// (each iteration moves the lens a step, so no picture comes from the cache; the sharp chart
// does), with and without tilt, and the focus figure at a new position.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/SimScene.h"

namespace {

// args: width, height, lens position, tilt X
void BM_RenderAtNewLensPosition(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    SimSceneConfig config;
    config.tiltX = static_cast<int>(state.range(3));
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
    ->ArgNames({"w", "h", "lens", "tiltX"})
    ->Args({2592, 1944, 420, 40})
    ->Args({2592, 1944, 600, 40})
    ->Args({2592, 1944, 620, 40})
    ->Args({2592, 1944, 620, 0})
    ->Args({2592, 1944, 420, 0})
    ->Args({640, 480, 420, 0})
    ->Args({640, 480, 600, 40})
    ->Args({640, 480, 620, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FocusFigureAtNewPosition(benchmark::State& state) {
    CSimScene scene;
    int position = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.FocusFigureAt(position++));
}
BENCHMARK(BM_FocusFigureAtNewPosition)->Arg(420)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
