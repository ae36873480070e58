// Develops a 2592 x 1944 raw still with the fused path and, in the same run, with the
// straightforward reference, and checks that both give the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ReferenceDevelop.h"
#include "imaging/BayerDemosaic.h"
#include "imaging/DevelopRows.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawSnapshot.h"
#include "imaging/Sharpen.h"
#include "imaging/ToneCurve.h"

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

// A still with smooth areas, edges and noise, so every branch of the sharpening is taken.
const std::vector<BYTE>& Samples() {
    static const std::vector<BYTE> samples = [] {
        std::vector<BYTE> s(size_t(kWidth) * kHeight);
        uint32_t state = 12345;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                state = state * 1664525u + 1013904223u;
                const int chart = ((x / 97 + y / 61) % 2) ? 200 : 40;
                s[size_t(y) * kWidth + x] = BYTE(chart + int(state >> 28) - 8);
            }
        }
        return s;
    }();
    return samples;
}

RawSnapshotInfo Info() {
    return {kWidth, kHeight, 1, Samples().data()};
}

const std::vector<BYTE>& ReferenceImage() {
    static const std::vector<BYTE> image = [] {
        std::vector<BYTE> out(size_t(3) * kWidth * kHeight);
        reference::Develop(Samples().data(), kWidth, kHeight, 1, out.data());
        return out;
    }();
    return image;
}

void CheckSame(benchmark::State& state, const std::vector<BYTE>& image) {
    if (std::memcmp(image.data(), ReferenceImage().data(), image.size()) != 0) {
        state.SkipWithError("result differs from the reference");
    }
}

void BM_RawDevelopReference(benchmark::State& state) {
    std::vector<BYTE> image(size_t(3) * kWidth * kHeight);
    for (auto _ : state) {
        reference::Develop(Samples().data(), kWidth, kHeight, 1, image.data());
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_RawDevelopReference)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The three separate passes the snapshot flow could also call.
void BM_RawDevelopPasses(benchmark::State& state) {
    std::vector<BYTE> image(size_t(3) * kWidth * kHeight);
    for (auto _ : state) {
        DemosaicBayer(Samples().data(), kWidth, kHeight, 1, image.data());
        ApplyToneCurve(image.data(), kWidth, kHeight);
        SharpenImage(image.data(), kWidth, kHeight);
        benchmark::DoNotOptimize(image.data());
    }
    CheckSame(state, image);
}
BENCHMARK(BM_RawDevelopPasses)->Unit(benchmark::kMillisecond);

// Argument: thread count, 0 for the machine's cores.
void BM_RawDevelopFused(benchmark::State& state) {
    std::vector<BYTE> image(size_t(3) * kWidth * kHeight);
    const int threads = int(state.range(0));
    for (auto _ : state) {
        DevelopRawSnapshot(Info(), image.data(), threads);
        benchmark::DoNotOptimize(image.data());
    }
    CheckSame(state, image);
}
BENCHMARK(BM_RawDevelopFused)->Arg(1)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same on the baseline instruction set, as on a processor without AVX2.
void BM_RawDevelopFusedBaseline(benchmark::State& state) {
    UseWideRowKernels(FALSE);
    BM_RawDevelopFused(state);
    UseWideRowKernels(TRUE);
}
BENCHMARK(BM_RawDevelopFusedBaseline)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
