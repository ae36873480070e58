// The sharpness measurement: first its accuracy against rendered edges of known blur (MTF50
// measured and in closed form, by sigma, angle and orientation), then the time for the five
// regions of a preview frame and of a full still.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "EdgeRender.h"
#include "measure/RegionSharpness.h"

namespace {

using reference::EdgeSpec;

// A chart frame: every region holds an edge, turned this way and that.
reference::BgrPicture ChartFrame(int width, int height) {
    reference::BgrPicture picture = reference::MakePicture(width, height, 128);
    for (int index = 0; index < kSfrRegionCount; ++index) {
        EdgeSpec edge;
        edge.sigma_px = 1.2;
        edge.angle_deg = index % 2 ? 5 : -7;
        edge.bHorizontal = index >= 3;
        edge.noise = 1.5;
        edge.seed = uint32_t(index + 1);
        RenderEdge(picture, SfrRegionRect(SfrRegion(index), width, height), edge);
    }
    return picture;
}

void MeasureFrame(benchmark::State& state, int width, int height) {
    const reference::BgrPicture picture = ChartFrame(width, height);
    int edges = 0;
    for (auto _ : state) {
        const RegionSharpness sharpness = MeasureRegions(picture.View());
        benchmark::DoNotOptimize(sharpness);
        edges = 0;
        for (const EdgeSfr& region : sharpness.regions) {
            edges += region.bEdge;
        }
    }
    if (edges != kSfrRegionCount) {
        state.SkipWithError("an edge of the chart was not found");
    }
}

void BM_Regions640x480(benchmark::State& state) {
    MeasureFrame(state, 640, 480);
}
BENCHMARK(BM_Regions640x480)->Unit(benchmark::kMillisecond);

void BM_Regions2592x1944(benchmark::State& state) {
    MeasureFrame(state, 2592, 1944);
}
BENCHMARK(BM_Regions2592x1944)->Unit(benchmark::kMillisecond);

// MTF50 of one rendered edge in a square region of the given side; 0 when none was found.
double MeasuredMtf50(int side, const EdgeSpec& edge) {
    reference::BgrPicture picture = reference::MakePicture(side, side, 0);
    RenderEdge(picture, {0, 0, side, side}, edge);
    const EdgeSfr sfr = MeasureSlantedEdge(picture.View(), {0, 0, side, side});
    return sfr.bEdge ? sfr.mtf50 : 0;
}

void PrintAccuracyTable() {
    std::printf("MTF50 in cycles/pixel, levels 50/200; noise 1.5 levels (1 %% of the range)\n");
    std::printf("%5s %6s %4s %8s | %8s %7s %8s %7s | %8s %7s\n", "sigma", "angle", "dir",
                "analytic", "80px", "err%", "80+noise", "err%", "324px", "err%");
    for (double sigma : {0.4, 0.5, 0.7, 1.0, 1.5, 2.0, 3.0, 4.0}) {
        for (double angle : {-10.0, -5.0, 3.0, 7.0}) {
            for (bool horizontal : {false, true}) {
                EdgeSpec edge;
                edge.sigma_px = sigma;
                edge.angle_deg = angle;
                edge.bHorizontal = horizontal;
                const double truth = reference::AnalyticMtf50(sigma);
                const double clean = MeasuredMtf50(80, edge);
                const double large = MeasuredMtf50(324, edge);
                edge.noise = 1.5;
                const double noisy = MeasuredMtf50(80, edge);
                const auto error = [&](double value) { return 100 * (value - truth) / truth; };
                std::printf("%5.2f %6.1f %4s %8.4f | %8.4f %+7.2f %8.4f %+7.2f | %8.4f %+7.2f\n",
                            sigma, angle, horizontal ? "H" : "V", truth, clean, error(clean), noisy,
                            error(noisy), large, error(large));
            }
        }
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    PrintAccuracyTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
