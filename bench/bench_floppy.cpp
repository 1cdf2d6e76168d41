// The read engine's own cost for a whole double-sided disk through the
// simulated drive. A real read waits for at least 40 revolutions of the disk
// (8 seconds at 300 rpm); the engine's share must stay negligible next to
// that: at most 5 ms for the whole read.
//
// A Greaseweazle that streams flux for ever must not make a read unbounded:
// the whole disk read from such a device ends within 20 s and the program
// (simulator included) peaks below 64 MB.

#include <benchmark/benchmark.h>

#include <chrono>

#include "BenchSupport.h"
#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/SimulatedFloppyDriver.h"

#ifdef QUILLMAR_BENCH_GWSIM
#include <sys/resource.h>

#include "floppy/GreaseweazleDriver.h"
#include "gwsim/PtyServer.h"
#endif

namespace {

constexpr double kBudgetMs = 5.0;

class SilentPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
};

void BM_FullDoubleSidedRead(benchmark::State& state) {
    const std::vector<std::uint8_t> disk = floppyfix::patternDisk(2);
    SilentPrompter prompter;
    ReadOptions options;
    options.bDoubleSided = true;
    std::size_t lines = 0;
    ReadHooks hooks;
    hooks.progress = [&lines](const ReadProgress& p) { lines += p.statusLine.size(); };

    double totalMs = 0;
    for (auto _ : state) {
        SimulatedFloppyDriver driver(disk, {});
        DiskReader reader(driver, prompter);
        DiskImage image;
        const auto start = std::chrono::steady_clock::now();
        const ReadReport report = reader.ReadDisk("A", options, image, hooks);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        totalMs += took.count();
        benchmark::DoNotOptimize(report);
        benchmark::DoNotOptimize(image.bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(disk.size()));
    // The mean, not the worst: a machine shared with other work can pause
    // any single read for longer than the engine ever needs.
    const double meanMs = state.iterations() > 0 ? totalMs / static_cast<double>(state.iterations()) : 0.0;
    state.counters["mean_ms"] = meanMs;
    benchmark::DoNotOptimize(lines);
    reportBudget(state, meanMs, kBudgetMs);
}
BENCHMARK(BM_FullDoubleSidedRead)->Unit(benchmark::kMicrosecond);

#ifdef QUILLMAR_BENCH_GWSIM
void BM_ReadFromAGreaseweazleThatNeverStopsStreaming(benchmark::State& state) {
    constexpr double kBudgetSeconds = 20.0;
    constexpr double kBudgetMegabytes = 64.0;
    SilentPrompter prompter;
    double seconds = 0;
    for (auto _ : state) {
        gwsim::Options sim;
        sim.image = floppyfix::patternDisk(1);
        sim.faults = gwsim::ParseFaults("endless");
        gwsim::PtyServer server(std::move(sim));
        server.start();
        GreaseweazleDriver::Settings settings;
        settings.port = server.path();
        GreaseweazleDriver driver(settings);
        DiskImage image;
        const auto start = std::chrono::steady_clock::now();
        const ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(report);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double meanSeconds =
        state.iterations() > 0 ? seconds / static_cast<double>(state.iterations()) : 0.0;
    state.counters["mean_s"] = meanSeconds;
    state.counters["peak_mb"] = peakMegabytes;
    state.counters["peak_budget_mb"] = kBudgetMegabytes;
    reportBudget(state, meanSeconds, kBudgetSeconds);
    if (peakMegabytes > kBudgetMegabytes) {
        state.counters["over_budget"] = 1;
    }
}
BENCHMARK(BM_ReadFromAGreaseweazleThatNeverStopsStreaming)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
