// Listing a 40 KB BASIC program (about 2,100 lines).
//
//   BM_ListingInProcess/0 and /1   AnalyzeBlock + ListingLines, unexpanded and
//                                  expanded; target 2 ms or less each.
//   BM_CliVersusListbasic          `quillmar-cli basic` on a disk image holding
//                                  the program against `listbasic` on the same
//                                  program as a .tap, run side by side; the
//                                  counter "ratio" (ours / theirs) should not
//                                  exceed 1.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include "BenchSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "basic/BasicProgram.h"
#include "basic/ZxFixtures.h"
#include "core/FileIO.h"
#include "disk/DiskBuilder.h"
#include "export/SaveTAP.h"

extern char** environ;

namespace {

const zx::Bytes& program40k() {
    static const zx::Bytes program = [] {
        zx::Bytes p = zx::longProgram(40 * 1024);
        p.push_back(0x80);
        return p;
    }();
    return program;
}

void BM_ListingInProcess(benchmark::State& state) {
    const bool expanded = state.range(0) != 0;
    const zx::Bytes& data = program40k();
    NullLog log;
    std::size_t lines = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const BasicProgram program = AnalyzeBlock(data, log);
        const std::vector<std::string> listing = ListingLines(program, expanded);
        lines = listing.size();
        benchmark::DoNotOptimize(listing.data());
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.counters["bytes"] = static_cast<double>(data.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    reportTimeBudget(state, start, 2.0);
}
BENCHMARK(BM_ListingInProcess)->Arg(0)->Arg(1)->ArgName("expanded")->Unit(benchmark::kMillisecond);

void BM_CliVersusListbasic(benchmark::State& state) {
    if (std::system("command -v listbasic >/dev/null 2>&1") != 0) {
        state.SkipWithError("listbasic (fuse-emulator-utils) is not installed");
        return;
    }
    const zx::Bytes& data = program40k();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quillmar-bench-basic-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string image = (dir / "long.opu").string();
    const std::string tap = (dir / "long.tap").string();
    writeFileReplacing(image, DiskBuilder("BENCH").addFile("long", 0, data, 10, 0).build());
    writeFileReplacing(tap, BuildTapBlocks({.RawName = "long      ",
                                            .Name = "long",
                                            .Length = static_cast<std::int32_t>(data.size()),
                                            .Param1 = 10,
                                            .Param2 = static_cast<std::int32_t>(data.size() - 1),
                                            .Data = data}));

    const std::vector<std::string> ours{QUILLMAR_CLI_PATH, "basic", image, "1"};
    const std::vector<std::string> theirs{"listbasic", tap};
    double oursTotal = 0;
    double theirsTotal = 0;
    for (auto _ : state) {
        const double a = timedRun(ours);
        const double b = timedRun(theirs);
        if (a < 0 || b < 0) {
            state.SkipWithError(a < 0 ? "quillmar-cli basic failed" : "listbasic failed");
            break;
        }
        oursTotal += a;
        theirsTotal += b;
        state.SetIterationTime(a);
    }
    std::filesystem::remove_all(dir);
    if (state.iterations() > 0 && theirsTotal > 0) {
        const auto n = static_cast<double>(state.iterations());
        state.counters["quillmar_ms"] = oursTotal / n * 1e3;
        state.counters["listbasic_ms"] = theirsTotal / n * 1e3;
        state.counters["ratio"] = oursTotal / theirsTotal;
        reportBudget(state, oursTotal / theirsTotal, 1.0);
    }
}
BENCHMARK(BM_CliVersusListbasic)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
