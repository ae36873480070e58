// Develops a 2592 x 1944 raw still with the fused path (also while it downloads) and, in the
// same run, with the straightforward reference, and checks that both give the same bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "ReferenceDevelop.h"
#include "imaging/BayerDemosaic.h"
#include "imaging/DevelopRows.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawDevelopStream.h"
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

// The still developed while it downloads, its pieces of 0x8000 bytes coming at the simulated
// camera's pace (a range set and a data read of 250 us each). The time is what is left after
// the last piece: Finish, up to the image in hand. The argument is the pause between pieces
// in microseconds, 0 for a block that is all there at once (nothing developed ahead).
void BM_RawDevelopWhileDownloading(benchmark::State& state) {
    const auto pause = std::chrono::microseconds(state.range(0));
    constexpr size_t kPiece = 0x8000;
    const size_t length = size_t{kRawHeaderBytes} + Samples().size();
    std::vector<BYTE> came(length);
    came[10] = BYTE(kHeight >> 8);
    came[11] = BYTE(kHeight);
    came[12] = BYTE(kWidth >> 8);
    came[13] = BYTE(kWidth);
    came[17] = 1;
    std::memcpy(came.data() + kRawHeaderBytes, Samples().data(), Samples().size());
    std::vector<BYTE> block(length);
    std::unique_ptr<BYTE[]> image;
    for (auto _ : state) {
        CRawDevelopStream stream;
        for (size_t written = 0; written < length;) {
            const size_t n = std::min(kPiece, length - written);
            if (pause.count() > 0)
                std::this_thread::sleep_for(pause);
            std::memcpy(block.data() + written, came.data() + written, n);
            written += n;
            stream.Arrived(block.data(), int32_t(length), written);
        }
        const auto started = std::chrono::steady_clock::now();
        RawSnapshotInfo info{};
        ParseRawSnapshot(block.data(), int32_t(length), info);
        image = stream.Finish(info);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        if (!image) {
            state.SkipWithError("the stream handed over no image");
            return;
        }
    }
    CheckSame(state, std::vector<BYTE>(image.get(), image.get() + ReferenceImage().size()));
}
BENCHMARK(BM_RawDevelopWhileDownloading)
    ->Arg(500)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(8);

}  // namespace

BENCHMARK_MAIN();
