// What a read through a Greaseweazle costs the disk: revolutions per track
// side, counted by the simulated device, for a clean 40-track disk (at most
// 1.25 a side: one revolution and the longest sector's worth) and for a disk
// with one sector that never reads, whose side still gets every try.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"
#include "floppy/DiskReader.h"
#include "floppy/FloppyFixtures.h"
#include "floppy/GreaseweazleDriver.h"
#include "gwsim/PtyServer.h"

namespace {

constexpr double kCleanBudget = 1.25;  // revolutions per track side

class SilentPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons) override {
        return MsgAnswer::Ok;
    }
};

void readDisk(benchmark::State& state, const char* faults, double budget) {
    double revolutions = 0;
    for (auto _ : state) {
        gwsim::Options options;
        options.image = floppyfix::patternDisk(1);
        options.faults = gwsim::ParseFaults(faults);
        gwsim::PtyServer server(std::move(options));
        server.start();
        GreaseweazleDriver::Settings settings;
        settings.port = server.path();
        GreaseweazleDriver driver(settings);
        SilentPrompter prompter;
        DiskImage image;
        const ReadReport report = DiskReader(driver, prompter).ReadDisk("A", {}, image);
        benchmark::DoNotOptimize(report);
        revolutions += server.revolutionsRead();
    }
    const double iterations = state.iterations() > 0 ? static_cast<double>(state.iterations()) : 1.0;
    const double perSide = revolutions / iterations / DiskReader::kTrackCount;
    state.counters["revolutions_per_side"] = perSide;
    if (budget > 0) {
        reportBudget(state, perSide, budget);
    }
}

void BM_GreaseweazleCleanRead(benchmark::State& state) {
    readDisk(state, "", kCleanBudget);
}
BENCHMARK(BM_GreaseweazleCleanRead)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_GreaseweazleReadWithOneBadSector(benchmark::State& state) {
    readDisk(state, "crc:0:5:9", 0);
}
BENCHMARK(BM_GreaseweazleReadWithOneBadSector)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
