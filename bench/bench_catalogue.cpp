// Decoding a full 112-slot catalogue, in process and through `quillmar-cli list`.
// Target: the in-process decode within 50 µs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "core/FileIO.h"
#include "core/Log.h"
#include "disk/Catalogue.h"
#include "disk/DiskBuilder.h"
#include "disk/ListRows.h"

namespace {

DiskImage fullDisk() {
    DiskBuilder builder("FULLDISK");
    for (int i = 1; i < 112; ++i) {
        // 111 files sharing the disk, about 1.4 KB each.
        builder.addFile("file" + std::to_string(i), static_cast<std::uint8_t>(i % 4),
                        std::vector<std::uint8_t>(1400, static_cast<std::uint8_t>(i)), 32768);
    }
    return builder.image();
}

void BM_GetDiskFiles112Slots(benchmark::State& state) {
    const DiskImage image = fullDisk();
    NullLog log;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Catalogue cat;
        benchmark::DoNotOptimize(GetDiskFiles(image, cat, log));
        benchmark::DoNotOptimize(cat.data());
    }
    reportTimeBudget(state, start, 0.05);
}
BENCHMARK(BM_GetDiskFiles112Slots)->Unit(benchmark::kMicrosecond);

void BM_ListRows112Slots(benchmark::State& state) {
    const DiskImage image = fullDisk();
    NullLog log;
    Catalogue cat;
    GetDiskFiles(image, cat, log);
    for (auto _ : state) {
        for (std::size_t i = 1; i < cat.size(); ++i) {
            benchmark::DoNotOptimize(MakeListRow(cat[i], static_cast<int>(i)));
        }
    }
}
BENCHMARK(BM_ListRows112Slots)->Unit(benchmark::kMicrosecond);

void BM_CliList112Slots(benchmark::State& state) {
    const std::string path = std::string(QUILLMAR_BINARY_DIR) + "/bench/full-112.opu";
    writeFileReplacing(path, fullDisk().bytes);
    const std::string command = std::string(QUILLMAR_CLI_PATH) + " list '" + path + "' >/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("quillmar-cli list failed");
            break;
        }
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_CliList112Slots)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
