// The settings file with many keys: parsing alone, and what one application start costs on
// it (open the utility's key, creating it, then set one value), each rewriting the file.
// The figures should grow in proportion to the number of keys.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryFile.h"

namespace {

// `keys` short sections of one value each: 64,000 of them stay within the size the registry
// reads (about 3.6 MB).
std::string FileWithKeys(int64_t keys) {
    std::string text(CRegistryFile::kHeader);
    text.append("\n\n");
    char section[96];
    for (int64_t i = 0; i < keys; ++i) {
        std::snprintf(section, sizeof section,
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\P%05lld]\n\"On\"=dword:%08llx\n\n",
                      static_cast<long long>(i), static_cast<long long>(i & 1));
        text.append(section);
    }
    return text;
}

void BM_Parse(benchmark::State& state) {
    const std::string text = FileWithKeys(state.range(0));
    for (auto _ : state) {
        auto file = CRegistryFile::Parse(text);
        benchmark::DoNotOptimize(file);
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_CreateKeyAndSetValue(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "nitidor-bench-XXXXXX").string();
    if (!mkdtemp(dir.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = dir + "/registry.reg";
    setenv("NITIDOR_REGISTRY_FILE", path.c_str(), 1);
    const std::string text = FileWithKeys(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        HKEY key = nullptr;
        DWORD on = 1;
        if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\PXV58R", 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                           nullptr) != ERROR_SUCCESS ||
            RegSetValueEx(key, "EnhanceJPEG", 0, REG_DWORD, reinterpret_cast<BYTE*>(&on),
                          sizeof on) != ERROR_SUCCESS) {
            state.SkipWithError("the registry refused the file");
        }
        RegCloseKey(key);
    }
    state.SetComplexityN(state.range(0));
    unsetenv("NITIDOR_REGISTRY_FILE");
    std::filesystem::remove_all(dir);
}

BENCHMARK(BM_Parse)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateKeyAndSetValue)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
