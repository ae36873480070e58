// What one preview frame of a 640 x 480 YUYV camera costs: taking it from the driver's
// buffers and converting it (libv4lconvert, rows turned bottom-up), and the five regions'
// measurement of it (the copy on the streaming thread and the slanted-edge measurement on the
// meter's). At 30 frames a second, 30 x (both) per second is the preview's share of a core
// when every frame is measured; the meter drops frames while it is busy, so that is the most.
#include <benchmark/benchmark.h>

#include <cmath>

#include "ScriptedV4l2Kernel.h"
#include "platform/vidcap/CaptureFormats.h"
#include "session/RegionMeter.h"
#include "v4l2/V4l2Cameras.h"

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 480;

// A grey card with a dark square turned 5 degrees in each region, as tests/pipewire's chart.
std::vector<uint8_t> ChartYuyv() {
    const double turn = 5.0 * M_PI / 180.0;
    const double side = (kWidth + 4) / 8;
    const double centres[5][2] = {{50, 50}, {15, 15}, {85, 15}, {15, 85}, {85, 85}};
    std::vector<uint8_t> yuyv(kWidth * kHeight * 2);
    for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            double level = 200;
            for (const auto& c : centres) {
                const double dx = x - kWidth * c[0] / 100, dy = y - kHeight * c[1] / 100;
                const double u = dx * std::cos(turn) + dy * std::sin(turn);
                const double v = -dx * std::sin(turn) + dy * std::cos(turn);
                // The left side ramps over two pixels, as a lens blurs it.
                if (u >= -1 && u < 0.75 * side && std::abs(v) < 0.9 * side)
                    level = 200 - 150 * std::min(1.0, (u + 1) / 2);
            }
            yuyv[2 * (y * kWidth + x)] = static_cast<uint8_t>(std::lround(level));
            yuyv[2 * (y * kWidth + x) + 1] = 128;
        }
    }
    return yuyv;
}

struct Camera {
    Camera() {
        ScriptedNode node;
        node.modes = {{V4L2_PIX_FMT_YUYV, kWidth, kHeight, {{1, 30}}}};
        kernel.nodes = {node};
        backend = OpenV4l2Backend(kernel, {node.path, node.card, node.busInfo, node.card});
        backend->Start();
        frame.resize(CaptureFrameBytes(backend->Formats()[0]));
    }
    CScriptedV4l2Kernel kernel;
    std::unique_ptr<ICaptureBackend> backend;
    std::vector<BYTE> frame;
};

void BM_V4l2TakeAndConvertFrame(benchmark::State& state) {
    Camera camera;
    const std::vector<uint8_t> chart = ChartYuyv();
    for (auto _ : state) {
        camera.kernel.frames.push_back({chart});
        if (camera.backend->WaitFrame(100, camera.frame) != FrameWait::Frame)
            state.SkipWithError("no frame");
        benchmark::DoNotOptimize(camera.frame.data());
    }
}
BENCHMARK(BM_V4l2TakeAndConvertFrame)->Unit(benchmark::kMillisecond);

void BM_RegionMeterMeasuresFrame(benchmark::State& state) {
    Camera camera;
    camera.kernel.frames.push_back({ChartYuyv()});
    camera.backend->WaitFrame(100, camera.frame);
    const VideoFrameRef frame{camera.frame.data(),
                              static_cast<ULONG>(camera.frame.size()),
                              MEDIASUBTYPE_RGB24,
                              kWidth,
                              kHeight,
                              kWidth * 3};
    CRegionMeter meter;
    for (auto _ : state) {
        meter.OnFrame(frame);
        meter.WaitIdle();
    }
    RegionReading reading;
    if (!meter.Latest(reading) || !reading.sharpness.regions[0].bEdge)
        state.SkipWithError("the chart's centre has no edge");
}
// Real time: most of the work is on the meter's own thread.
BENCHMARK(BM_RegionMeterMeasuresFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
