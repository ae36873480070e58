// Decoding a full-size JPEG still through Temp.jpg, against the library decoding the same
// stream straight from memory; the file round trip should cost under a tenth more.
#include "imaging/JpegSnapshot.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestJpegEncoder.h"

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

// A camera-like still: smooth shading with fine detail, so entropy decoding does real work.
std::vector<BYTE> EncodeStill() {
    return EncodeTestJpeg(kWidth, kHeight, {.quality = 90}, [](int y, BYTE* row) {
        for (int x = 0; x < kWidth; ++x) {
            const double ring = std::sin((x * x + y * y) * 1e-4);
            row[x * 3] = static_cast<BYTE>(x * 255 / kWidth);
            row[x * 3 + 1] = static_cast<BYTE>(128 + 100 * ring);
            row[x * 3 + 2] = static_cast<BYTE>(((x / 8 + y / 8) % 2) ? 220 : 30);
        }
    });
}

const std::vector<BYTE>& Still() {
    static const std::vector<BYTE> stream = EncodeStill();
    return stream;
}

void BM_DecodeJpegSnapshot(benchmark::State& state) {
    const std::vector<BYTE>& stream = Still();
    std::vector<BYTE> image(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        if (!DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(),
                                kWidth, kHeight)) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["stream_bytes"] = static_cast<double>(stream.size());
}

void BM_LibraryDecodeFromMemory(benchmark::State& state) {
    const std::vector<BYTE>& stream = Still();
    std::vector<BYTE> image(static_cast<size_t>(kWidth) * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr jerr{};
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {&image[stride * cinfo.output_scanline]};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(image.data());
    }
}

BENCHMARK(BM_DecodeJpegSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryDecodeFromMemory)->Unit(benchmark::kMillisecond);

}  // namespace

// Temp.jpg is written to the current directory: keep it out of wherever the run started.
int main(int argc, char** argv) {
    const std::filesystem::path start = std::filesystem::current_path();
    std::string dir = (std::filesystem::temp_directory_path() / "nitidor-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::filesystem::current_path(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::current_path(start);
    std::filesystem::remove_all(dir);
    return 0;
}
